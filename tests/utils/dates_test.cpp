#include "utils/dates.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <ctime>
#include <limits>
#include <string>

#include "support/env_guard.hpp"
#include "support/scoped_tz.hpp"
#include "support/temp_repo.hpp"
#include "utils/process.hpp"

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

// The machines come with no locale but C and POSIX: the test builds a German
// one of its own, and a machine that cannot build it fails the test.
TEST(Dates, EnglishWhateverTheLocale) {
  testing_support::TempDir dir;
  const auto built =
      utils::run_process({"localedef", "-i", "de_DE", "-f", "UTF-8", dir.path() + "/de_DE.UTF-8"});
  ASSERT_TRUE(built) << built.error();
  testing_support::EnvGuard path{{"LOCPATH", dir.path()}};
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
      << "localedef exited with " << built->exit_code.value_or(-1) << ": " << built->err;
  {
    ScopedTz zone("UTC");
    // The locale is in force: the C library itself names March in German.
    std::tm march{};
    march.tm_mon = 2;
    char month[16];
    const std::size_t n = std::strftime(month, sizeof month, "%b", &march);
    EXPECT_EQ(std::string(month, n), "Mär");
    EXPECT_EQ(utils::format_date(1709629620), "Mar 5, 2024");
    EXPECT_EQ(utils::format_time(1709629620), "9:07 AM");
  }
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
