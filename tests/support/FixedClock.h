#pragma once
// A clock that stands still at the moment the test sets (by default, when it was made).

#include "platform/Clock.h"

namespace quenno::test {

class FixedClock final : public platform::Clock {
public:
    std::chrono::system_clock::time_point now() const override { return at; }

    std::chrono::system_clock::time_point at = std::chrono::system_clock::now();
};

}  // namespace quenno::test
