#include "QtTray.h"

namespace quenno::platform {

QtTray::QtTray() = default;

// The icon leaves the notification area with the program.
QtTray::~QtTray()
{
    if (m_icon)
        m_icon->hide();
    for (const QPointer<QSystemTrayIcon>& retired : m_retired)
        delete retired.data();
}

bool QtTray::available() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

int QtTray::messageFor(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger: return 514;
    case QSystemTrayIcon::Context: return 517;
    case QSystemTrayIcon::DoubleClick: return 515;
    case QSystemTrayIcon::MiddleClick: return 520;
    case QSystemTrayIcon::Unknown: break;
    }
    return 512;
}

bool QtTray::add(const QIcon& icon, const QString& tip, std::function<void(int message)> onMessage)
{
    remove();
    if (!available())
        return false;
    m_icon = std::make_unique<QSystemTrayIcon>(icon);
    m_icon->setToolTip(tip);
    // Queued: the handler may hide or load windows, which must not happen inside the
    // tray window's own mouse event.
    QObject::connect(m_icon.get(), &QSystemTrayIcon::activated, m_icon.get(),
                     [handler = std::move(onMessage)](QSystemTrayIcon::ActivationReason reason) {
                         if (handler)
                             handler(messageFor(reason));
                     },
                     Qt::QueuedConnection);
    m_icon->show();
    return true;
}

void QtTray::remove()
{
    if (!m_icon)
        return;
    m_icon->hide();
    // Deleted later: remove() may be reached from within the icon's own activation.
    std::erase_if(m_retired, [](const QPointer<QSystemTrayIcon>& retired) { return retired.isNull(); });
    m_retired.emplace_back(m_icon.get());
    m_icon.release()->deleteLater();
}

bool QtTray::visible() const
{
    return m_icon && m_icon->isVisible();
}

} // namespace quenno::platform
