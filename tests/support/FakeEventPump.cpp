#include "FakeEventPump.h"

#include <utility>

namespace quenno::test {

void FakeEventPump::letEventsRun()
{
    ++runs;
    if (const auto step = std::exchange(next, nullptr))
        step();
    // A copy, so that a step which clears or replaces `during` does not destroy itself
    // while it runs.
    if (const auto step = during)
        step();
}

}  // namespace quenno::test
