#include "utils/dates.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <limits>

#include "support/scoped_tz.hpp"

namespace {

struct DateCase {
  std::int64_t seconds;
  const char* date;
  const char* time;
};

void expect_table(const char* tz, std::initializer_list<DateCase> cases) {
  ScopedTz zone(tz);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(tz) + " " + std::to_string(c.seconds));
    EXPECT_EQ(utils::format_date(c.seconds), c.date);
    EXPECT_EQ(utils::format_time(c.seconds), c.time);
  }
}

TEST(Dates, Utc) {
  expect_table("UTC", {
                          {0, "Jan 1, 1970", "12:00 AM"},
                          {-1, "Dec 31, 1969", "11:59 PM"},
                          {-86400, "Dec 31, 1969", "12:00 AM"},
                          {-86401, "Dec 30, 1969", "11:59 PM"},
                          {12 * 3600, "Jan 1, 1970", "12:00 PM"},
                          {13 * 3600 + 5 * 60, "Jan 1, 1970", "1:05 PM"},
                          {1709629620, "Mar 5, 2024", "9:07 AM"},
                          {1709598420, "Mar 5, 2024", "12:27 AM"},
                          {253402300799, "Dec 31, 9999", "11:59 PM"},
                          {-62135596800, "Jan 1, 1", "12:00 AM"},
                      });
}

TEST(Dates, WestOfUtcAndDaylightSaving) {
  // US Eastern: UTC-5 in winter, UTC-4 from the second Sunday of March to
  // the first Sunday of November; each instant gets its own offset.
  expect_table("EST5EDT,M3.2.0,M11.1.0", {
                                             {1709598420, "Mar 4, 2024", "7:27 PM"},  // after midnight UTC
                                             {1719835200, "Jul 1, 2024", "8:00 AM"},
                                             {1710053940, "Mar 10, 2024", "1:59 AM"},  // last minute of EST
                                             {1710054000, "Mar 10, 2024", "3:00 AM"},  // first of EDT
                                             {1730613540, "Nov 3, 2024", "1:59 AM"},   // last minute of EDT
                                             {1730613600, "Nov 3, 2024", "1:00 AM"},   // back to EST
                                             {0, "Dec 31, 1969", "7:00 PM"},
                                         });
  expect_table("PST8", {{1709598420, "Mar 4, 2024", "4:27 PM"}});
}

TEST(Dates, EastOfUtcAndHalfHours) {
  expect_table("JST-9", {{1709566200, "Mar 5, 2024", "12:30 AM"}});
  expect_table("IST-5:30", {{1709566200, "Mar 4, 2024", "9:00 PM"}, {-1, "Jan 1, 1970", "5:29 AM"}});
}

TEST(Dates, OutOfRangeGivesEmptyTexts) {
  constexpr std::int64_t last = 8210266876799;    // Dec 31, 262142, 23:59:59 UTC
  constexpr std::int64_t first = -8334601228800;  // Jan 1, -262143, 00:00 UTC
  expect_table("UTC", {
                          {last, "Dec 31, 262142", "11:59 PM"},
                          {last + 1, "", ""},
                          {first, "Jan 1, -262143", "12:00 AM"},
                          {first - 1, "", ""},
                          {std::numeric_limits<std::int64_t>::max(), "", ""},
                          {std::numeric_limits<std::int64_t>::min(), "", ""},
                      });
  // The bounds are on the UTC day, whatever the zone does to it.
  expect_table("EST5EDT,M3.2.0,M11.1.0", {{last + 1, "", ""}, {first, "Dec 31, -262144", "7:00 PM"}});
}

TEST(Dates, EnglishWhateverTheLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  const char* found = nullptr;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "es_ES.UTF-8", "ru_RU.UTF-8"})
    if (std::setlocale(LC_ALL, name) != nullptr) {
      found = name;
      break;
    }
  if (found == nullptr) GTEST_SKIP() << "no non-English locale installed";
  {
    ScopedTz zone("UTC");
    EXPECT_EQ(utils::format_date(1709629620), "Mar 5, 2024") << found;
    EXPECT_EQ(utils::format_time(1709629620), "9:07 AM") << found;
  }
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
