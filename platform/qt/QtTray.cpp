#include "QtTray.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>

#include <utility>

namespace quenno::platform {

namespace {

Qt::MouseButton buttonOf(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick:  // its button comes up like any other press's
        return Qt::LeftButton;
    case QSystemTrayIcon::Context:
        return Qt::RightButton;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
    return Qt::NoButton;
}

int messageFor(Qt::MouseButton button) { return button == Qt::LeftButton ? Tray::LeftButtonUp : Tray::RightButtonUp; }

}  // namespace

// --- TrayClicks ------------------------------------------------------------------------

TrayClicks::TrayClicks(std::function<QRect()> iconArea, std::function<void(int message)> deliver)
    : m_iconArea(std::move(iconArea)), m_deliver(std::move(deliver))
{
}

void TrayClicks::activated(QSystemTrayIcon::ActivationReason reason, Qt::MouseButtons held)
{
    const Qt::MouseButton button = buttonOf(reason);
    if (button == Qt::NoButton)
        return;
    if (held.testFlag(button))
        m_pressed = button;
    else if (m_deliver)
        m_deliver(messageFor(button));
}

bool TrayClicks::eventFilter(QObject* watched, QEvent* event)
{
    // The icon's window holds the pointer from the press on, so the release reaches this
    // program wherever the pointer went.
    if (m_pressed != Qt::NoButton && event->type() == QEvent::MouseButtonRelease) {
        const auto* release = static_cast<QMouseEvent*>(event);
        if (release->button() == m_pressed) {
            const Qt::MouseButton button = std::exchange(m_pressed, Qt::NoButton);
            const QRect area = m_iconArea ? m_iconArea() : QRect();
            // Where the desktop does not tell where the icon is, the release counts.
            if ((area.isEmpty() || area.contains(release->globalPosition().toPoint())) && m_deliver)
                m_deliver(messageFor(button));
        }
    }
    return QObject::eventFilter(watched, event);
}

// --- QtTray ----------------------------------------------------------------------------

QtTray::QtTray() = default;

// The icon leaves the notification area with the program.
QtTray::~QtTray()
{
    m_clicks.reset();
    if (m_icon)
        m_icon->hide();
    for (const QPointer<QSystemTrayIcon>& retired : m_retired)
        delete retired.data();
}

bool QtTray::available() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

bool QtTray::add(const QIcon& icon, const QString& tip, std::function<void(int message)> onMessage)
{
    remove();
    if (!available())
        return false;
    m_icon = std::make_unique<QSystemTrayIcon>(icon);
    m_icon->setToolTip(tip);
    QSystemTrayIcon* shown = m_icon.get();
    // Queued: the handler may hide or load windows, which must not happen inside the
    // tray window's own mouse event. Dropped with the icon.
    m_clicks = std::make_unique<TrayClicks>(
        [shown] {
            return shown->geometry();
        },
        [shown, handler = std::move(onMessage)](int message) {
            QMetaObject::invokeMethod(
                shown,
                [handler, message] {
                    if (handler)
                        handler(message);
                },
                Qt::QueuedConnection);
        });
    QCoreApplication::instance()->installEventFilter(m_clicks.get());
    // Direct: whether the button is still down is known only while the activation is handled.
    QObject::connect(m_icon.get(), &QSystemTrayIcon::activated, m_clicks.get(),
                     [clicks = m_clicks.get()](QSystemTrayIcon::ActivationReason reason) {
                         clicks->activated(reason, QGuiApplication::mouseButtons());
                     });
    m_icon->show();
    return true;
}

void QtTray::remove()
{
    m_clicks.reset();  // leaves the application's event filters with it
    if (!m_icon)
        return;
    m_icon->hide();
    // Deleted later: remove() may be reached from within the icon's own activation.
    std::erase_if(m_retired, [](const QPointer<QSystemTrayIcon>& retired) {
        return retired.isNull();
    });
    m_retired.emplace_back(m_icon.get());
    m_icon.release()->deleteLater();
}

bool QtTray::visible() const { return m_icon && m_icon->isVisible(); }

}  // namespace quenno::platform
