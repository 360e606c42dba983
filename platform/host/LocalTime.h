#pragma once
// The calendar time of the machine's time zone.

#include <ctime>

namespace tav {

// `seconds` since the epoch broken down in local time; all fields zero when the system
// cannot convert it.
std::tm LocalTime(std::time_t seconds);

}  // namespace tav
