#include "QtEventPump.h"

#include <QCoreApplication>

namespace quenno::platform {

QtEventPump::QtEventPump(std::chrono::microseconds interval) : m_interval(interval) { }

void QtEventPump::letEventsRun()
{
    if (!QCoreApplication::instance())
        return;
    const auto now = std::chrono::steady_clock::now();
    if (m_ranBefore && now - m_last < m_interval)
        return;
    m_ranBefore = true;
    m_last = now;
    QCoreApplication::processEvents();
}

}  // namespace quenno::platform
