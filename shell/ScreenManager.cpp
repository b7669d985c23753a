#include "ScreenManager.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace quenno::shell {

ScreenManager::ScreenManager(std::function<void()> endProcess) : m_endProcess(std::move(endProcess)) { }

ScreenManager::~ScreenManager()
{
    for (QPointer<QWidget>& screen : m_screens)
        delete screen.data();
}

void ScreenManager::registerScreen(ScreenId id, Factory factory) { m_factories[slot(id)] = std::move(factory); }

bool ScreenManager::hasScreen(ScreenId id) const { return static_cast<bool>(m_factories[slot(id)]); }

QWidget* ScreenManager::find(ScreenId id) const { return m_screens[slot(id)].data(); }

QWidget* ScreenManager::load(ScreenId id)
{
    if (QWidget* loaded = find(id))
        return loaded;
    if (m_exiting || !m_factories[slot(id)])
        return nullptr;
    QWidget* screen = m_factories[slot(id)]();
    if (!screen)
        return nullptr;
    // A screen unloads by closing; it must be destroyed then so that its next opening starts afresh.
    screen->setAttribute(Qt::WA_DeleteOnClose);
    m_screens[slot(id)] = screen;
    placeOverMainWindow(screen);
    return screen;
}

QWidget* ScreenManager::open(ScreenId id)
{
    QWidget* screen = load(id);
    if (!screen)
        return nullptr;
    if (screen->isMinimized())
        screen->showNormal();
    else
        screen->show();
    screen->raise();
    screen->activateWindow();
    return screen;
}

void ScreenManager::placeOverMainWindow(QWidget* screen) const
{
    const QWidget* main = find(ScreenId::FormUtama);
    QRect area;
    if (main && main != screen) {
        area = main->frameGeometry();
    } else if (const QScreen* display = QGuiApplication::primaryScreen()) {
        area = display->availableGeometry();
    } else {
        return;
    }
    QPoint topLeft = area.center() - QPoint(screen->width() / 2, screen->height() / 2);
    // Keep the title bar reachable when the main window stands near a display edge.
    if (const QScreen* display = QGuiApplication::primaryScreen()) {
        const QRect avail = display->availableGeometry();
        topLeft.setX(qBound(avail.left(), topLeft.x(), qMax(avail.left(), avail.right() - screen->width())));
        topLeft.setY(qBound(avail.top(), topLeft.y(), qMax(avail.top(), avail.bottom() - screen->height())));
    }
    screen->move(topLeft);
}

void ScreenManager::exitProgram()
{
    if (m_exiting)
        return;
    m_exiting = true;
    // Every screen goes at once, without its own closing steps: hidden now, destroyed as soon
    // as control is back in the event loop (a handler of one of them may still be running).
    for (std::size_t i = m_screens.size(); i-- > 0;) {
        if (QWidget* screen = m_screens[i].data()) {
            screen->hide();
            screen->deleteLater();
        }
    }
    QCoreApplication::exit(0);
    if (m_endProcess)
        m_endProcess();
}

}  // namespace quenno::shell
