#pragma once
#include <chrono>

namespace quenno::platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::system_clock::time_point now() const = 0;
};

// Standard C++ already reads the system's clock the same way everywhere.
class SystemClock final : public Clock {
public:
    std::chrono::system_clock::time_point now() const override { return std::chrono::system_clock::now(); }
};

}  // namespace quenno::platform
