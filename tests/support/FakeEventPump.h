#pragma once
// An event pump that counts how often long work let events run and can act at those
// moments, the way a click or a closed window arriving in the middle of the work would.

#include "platform/EventPump.h"

#include <functional>

namespace quenno::test {

class FakeEventPump final : public platform::EventPump {
public:
    void letEventsRun() override;

    int runs = 0;
    std::function<void()> next;  // runs at the next call only
    std::function<void()> during;  // runs at every call; it may replace or clear itself
};

}  // namespace quenno::test
