#pragma once
// Lets pending Qt events run. Letting events run costs several microseconds even when none
// is waiting, and long work asks once per listed file, so the events run at most once per
// interval; the first request always runs them.

#include "platform/EventPump.h"

#include <chrono>

namespace quenno::platform {

class QtEventPump final : public EventPump {
public:
    explicit QtEventPump(std::chrono::microseconds interval = std::chrono::milliseconds(8));
    void letEventsRun() override;

private:
    std::chrono::microseconds m_interval;
    std::chrono::steady_clock::time_point m_last;
    bool m_ranBefore = false;
};

}  // namespace quenno::platform
