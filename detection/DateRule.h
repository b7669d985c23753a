#pragma once
// The age rule of the signature list's date label.

#include <chrono>

namespace quenno::detection {

// True when created lies before local midnight at the start of the day five days before
// now's day (the label then turns red).
bool DateIsOld(std::chrono::system_clock::time_point created, std::chrono::system_clock::time_point now);

}  // namespace quenno::detection
