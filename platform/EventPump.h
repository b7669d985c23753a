#pragma once

namespace quenno::platform {

// Lets pending user-interface events run in the middle of long work on the one
// user-interface thread. Outside the windowed program it does nothing.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void letEventsRun() = 0;
};

class NoEventPump final : public EventPump {
public:
    void letEventsRun() override { }
};

}  // namespace quenno::platform
