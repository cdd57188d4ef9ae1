#include "utils/dates.hpp"

#include <locale.h>

#include <clocale>
#include <ctime>
#include <optional>

namespace utils {
namespace {

// Days from 1970-01-01 to the given proleptic Gregorian date.
constexpr std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// Times are shown only within about 262,000 years of year 0: beyond that a
// time is a broken commit, not a date, though glibc would format far larger
// years. The bounds leave a year's margin, so no zone offset can carry a
// date past them.
constexpr std::int64_t kFirstDay = days_from_civil(-262143, 1, 1);
constexpr std::int64_t kLastDay = days_from_civil(262142, 12, 31);

std::optional<std::tm> local_time(std::int64_t seconds) {
  std::int64_t days = seconds / 86400;
  if (seconds % 86400 < 0) --days;
  if (days < kFirstDay || days > kLastDay) return std::nullopt;
  const auto t = static_cast<std::time_t>(seconds);
  std::tm out{};
  if (localtime_r(&t, &out) == nullptr) return std::nullopt;
  return out;
}

// Month and AM/PM names are English whatever the user's locale.
locale_t c_locale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
  return c;
}

std::string format(std::int64_t seconds, const char* pattern) {
  const auto tm = local_time(seconds);
  const locale_t c = c_locale();
  if (!tm || c == locale_t{}) return {};
  char buf[64];
  const std::size_t n = strftime_l(buf, sizeof buf, pattern, &*tm, c);
  return std::string(buf, n);
}

}  // namespace

std::string format_date(std::int64_t seconds) { return format(seconds, "%b %-d, %Y"); }

std::string format_time(std::int64_t seconds) { return format(seconds, "%-I:%M %p"); }

}  // namespace utils
