#pragma once
// The notification-area icon on Qt's tray icon. Qt reports a click on the icon as an
// activation, on some desktops (the X11 tray) as soon as the button goes down; the click
// counts only when that button comes up again over the icon.

#include "platform/Tray.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <vector>

namespace quenno::platform {

// Turns the icon's activations and the releases that follow them into button-released
// messages. Installed as the application's event filter while the icon exists.
class TrayClicks final : public QObject {
public:
    TrayClicks(std::function<QRect()> iconArea, std::function<void(int message)> deliver);

    // An activation of the icon; held: the mouse buttons down at that moment. A desktop
    // that reports a click only once it is over (no button held) has it delivered at once.
    void activated(QSystemTrayIcon::ActivationReason reason, Qt::MouseButtons held);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<QRect()> m_iconArea;
    std::function<void(int)> m_deliver;
    Qt::MouseButton m_pressed = Qt::NoButton;  // went down on the icon, not yet up
};

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

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<TrayClicks> m_clicks;
    // Removed icons waiting for the event loop to delete them; deleted here if it never does.
    std::vector<QPointer<QSystemTrayIcon>> m_retired;
};

}  // namespace quenno::platform
