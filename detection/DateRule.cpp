#include "DateRule.h"

#include <ctime>

namespace quenno::detection {

bool DateIsOld(std::chrono::system_clock::time_point created, std::chrono::system_clock::time_point now)
{
    const std::time_t nowTime = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    if (localtime_r(&nowTime, &local) == nullptr)
        return false;
    local.tm_hour = 0;
    local.tm_min = 0;
    local.tm_sec = 0;
    local.tm_mday -= 5;
    local.tm_isdst = -1;  // the day five days ago may lie on the other side of a clock change
    const std::time_t limit = std::mktime(&local);
    if (limit == static_cast<std::time_t>(-1))
        return false;
    return created < std::chrono::system_clock::from_time_t(limit);
}

}  // namespace quenno::detection
