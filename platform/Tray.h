#pragma once
#include <QIcon>
#include <QString>
#include <functional>

namespace quenno::platform {

// Notification-area icon. Its activations arrive as the Windows mouse message numbers
// (514: left button released, 517: right button released, others as they come).
class Tray {
public:
    virtual ~Tray() = default;
    virtual bool available() const = 0;
    virtual bool add(const QIcon& icon, const QString& tip, std::function<void(int message)> onMessage) = 0;
    virtual void remove() = 0;
    virtual bool visible() const = 0;
};

} // namespace quenno::platform
