#pragma once
// Commit times as the log and the details show them, in the local time zone.

#include <cstdint>
#include <string>

namespace utils {

// "%b %-d, %Y" in English, such as "Mar 5, 2024"; empty when out of range.
std::string format_date(std::int64_t seconds);

// "%-I:%M %p" in English, such as "9:07 AM"; empty when out of range.
std::string format_time(std::int64_t seconds);

}  // namespace utils
