#pragma once
// The notification-area icon on Qt's tray icon. Its activations are handed on as the
// mouse message numbers the program reacts to: a left click as 514 (left button
// released), the context click as 517 (right button released), a double click as 515,
// a middle click as 520, anything else as 512 (pointer moved).

#include "platform/Tray.h"

#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>
#include <vector>

namespace quenno::platform {

class QtTray final : public Tray {
public:
    QtTray();
    ~QtTray() override;
    QtTray(const QtTray&) = delete;
    QtTray& operator=(const QtTray&) = delete;

    bool available() const override;
    bool add(const QIcon& icon, const QString& tip, std::function<void(int message)> onMessage) override;
    void remove() override;
    bool visible() const override;

    static int messageFor(QSystemTrayIcon::ActivationReason reason);

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
    // Removed icons waiting for the event loop to delete them; deleted here if it never does.
    std::vector<QPointer<QSystemTrayIcon>> m_retired;
};

} // namespace quenno::platform
