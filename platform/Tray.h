#pragma once
#include <QIcon>
#include <QString>
#include <functional>

namespace quenno::platform {

// Notification-area icon. Its clicks arrive as the mouse message numbers the program acts
// on, and only when a button that went down on the icon comes up again over it: presses,
// moves and clicks that end elsewhere deliver nothing.
class Tray {
public:
    static constexpr int LeftButtonUp = 514;  // the left button released over the icon
    static constexpr int RightButtonUp = 517;  // the right button released over the icon

    virtual ~Tray() = default;
    virtual bool available() const = 0;
    virtual bool add(const QIcon& icon, const QString& tip, std::function<void(int message)> onMessage) = 0;
    virtual void remove() = 0;
    virtual bool visible() const = 0;
};

}  // namespace quenno::platform
