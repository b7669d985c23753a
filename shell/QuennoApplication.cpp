#include "QuennoApplication.h"

#include <cstdio>
#include <cstdlib>

namespace quenno::shell {

QuennoApplication::QuennoApplication(int& argc, char** argv)
    : QApplication(argc, argv), m_terminate([] {
          std::fflush(nullptr);
          std::_Exit(0);
      })
{
}

bool QuennoApplication::notify(QObject* receiver, QEvent* event)
{
    ++m_depth;
    const bool done = QApplication::notify(receiver, event);
    --m_depth;
    return done;
}

void QuennoApplication::endProcessIfInsideOtherWork()
{
    if (insideOtherWork() && m_terminate)
        m_terminate();
}

}  // namespace quenno::shell
