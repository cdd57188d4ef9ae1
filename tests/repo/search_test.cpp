#include "repo/search.hpp"

#include <gtest/gtest.h>

#include <random>

#include "support/repositories.hpp"
#include "support/scoped_tz.hpp"
#include "utils/dates.hpp"
#include "utils/letter_case.hpp"

namespace {

using repo::BranchMap;
using repo::BranchName;
using repo::Commit;
using repo::Oid;
using testing_support::oid_of;

Commit make_commit(const char* hex, std::string summary, std::string author, std::int64_t time) {
  Commit c;
  c.id = oid_of(hex);
  c.summary = std::move(summary);
  c.author = std::move(author);
  c.time = time;
  return c;
}

struct Fixture {
  Commit head = make_commit("abcdef0123456789abcdef0123456789abcdef01", "Fix parser", "Ada", 1709629620);
  Commit lower = make_commit("1234567890abcdef1234567890abcdef12345678", "fix parser", "Grace", 1709598420);
  Commit remote =
      make_commit("fedcba9876543210fedcba9876543210fedcba98", "Release", "J\xC3\xBCrgen", 1678017600);
  Commit plain = make_commit("0000111122223333444455556666777788889999", "Docs", "Ken", 1719835200);
  BranchMap branches{{BranchName{"main"}, head.id},
                     {BranchName{"origin/main"}, remote.id},
                     {BranchName{"feature/Search"}, remote.id}};
};

TEST(CommitSearch, FieldsAndSmartCase) {
  ScopedTz zone("UTC");
  Fixture f;
  const Oid head = f.head.id;
  struct Case {
    const char* query;
    bool head, lower, remote, plain;
  };
  const Case cases[] = {
      {"", false, false, false, false},     // nothing, not even HEAD
      {"head", true, false, false, false},  // the HEAD word, case-insensitively
      {"HEAD", true, false, false, false},
      {"hea", true, false, false, false},
      {"Head", false, false, false, false},      // mixed case: exact, "HEAD" does not hold it
      {"Fix", true, false, false, false},        // exact
      {"fix", true, true, false, false},         // either case
      {"FIX PARSER", true, true, false, false},  // upper only: still insensitive
      {"abcdef0", true, false, false, false},    // the whole short id
      {"cdef", true, false, false, false},
      {"abcdef01", false, false, false, false},  // beyond the short id
      {"12345", false, true, false, false},
      {"ada", true, false, false, false},            // author
      {"J\xC3\x9CRGEN", false, false, true, false},  // JÜRGEN: non-ASCII, insensitive
      {"origin", false, false, true, false},         // remote-tracking branch at the commit
      {"main", true, false, true, false},
      {"search", false, false, true, false},
      {"feature/S", false, false, true, false},  // mixed: exact branch name
      {"feature/s", false, false, true, false},
      {"Mar 5", true, true, true, false},  // March 5 of any year
      {"mar 5, 2024", true, true, false, false},
      {"2023", false, false, true, false},
      {"Jul", false, false, false, true},
      {"9:07", false, false, false, false},  // the time of day is not searched
      {"docs", false, false, false, true},
      {"zzz", false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    EXPECT_EQ(f.head.matches(c.query, f.branches, head), c.head);
    EXPECT_EQ(f.lower.matches(c.query, f.branches, head), c.lower);
    EXPECT_EQ(f.remote.matches(c.query, f.branches, head), c.remote);
    EXPECT_EQ(f.plain.matches(c.query, f.branches, head), c.plain);
    const repo::LogSearch search(c.query, f.branches, head);
    EXPECT_EQ(search.matches(f.head), c.head);
    EXPECT_EQ(search.matches(f.lower), c.lower);
    EXPECT_EQ(search.matches(f.remote), c.remote);
    EXPECT_EQ(search.matches(f.plain), c.plain);
  }
}

TEST(CommitSearch, DateFieldFollowsTheLocalZone) {
  // 00:27 UTC on March 5 is the evening of March 4 in New York.
  Fixture f;
  const Oid head = Oid::zero();
  {
    ScopedTz zone("UTC");
    EXPECT_TRUE(f.lower.matches("Mar 5", f.branches, head));
    EXPECT_FALSE(f.lower.matches("Mar 4", f.branches, head));
  }
  {
    ScopedTz zone("EST5EDT,M3.2.0,M11.1.0");
    EXPECT_FALSE(f.lower.matches("Mar 5", f.branches, head));
    EXPECT_TRUE(f.lower.matches("Mar 4", f.branches, head));
    EXPECT_TRUE(f.lower.matches("mar 4, 2024", f.branches, head));
  }
}

TEST(CommitSearch, NoBranchNoHead) {
  Fixture f;
  EXPECT_FALSE(f.plain.matches("main", f.branches, f.head.id));
  EXPECT_FALSE(f.plain.matches("head", f.branches, f.head.id));
  EXPECT_FALSE(f.head.matches("head", f.branches, Oid::zero()));
  EXPECT_FALSE(f.head.matches("main", BranchMap{}, f.head.id));
}

// The predicate as plainly stated: every field built, lowered and searched.
bool reference_match(const Commit& c, const std::string& query, const BranchMap& branches, const Oid& head) {
  if (query.empty()) return false;
  std::vector<std::string> fields{c.summary, c.id.short_hex(), c.author, utils::format_date(c.time)};
  for (const auto& [name, tip] : branches)
    if (tip == c.id) fields.push_back(name.name);
  if (c.id == head) fields.push_back("HEAD");
  const bool exact = utils::has_mixed_case(query);
  const std::string needle = exact ? query : utils::to_lower(query);
  for (const auto& field : fields)
    if ((exact ? field : utils::to_lower(field)).find(needle) != std::string::npos) return true;
  return false;
}

// Both forms skip work: the prepared search skips date texts it can prove
// useless. They must agree with the plain statement on every commit.
TEST(CommitSearch, PreparedSearchAgreesWithThePlainPredicate) {
  ScopedTz zone("EST5EDT,M3.2.0,M11.1.0");
  std::mt19937_64 rng(7);
  const char* const words[] = {"Fix",
                               "parser",
                               "\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3",
                               "\xC4\xB0ki",
                               "Mar",
                               "stra\xC3\x9F"
                               "e",
                               "merge",
                               "SPEED"};
  std::vector<Commit> commits;
  for (int i = 0; i < 400; ++i) {
    Commit c;
    for (auto& b : c.id.bytes) b = static_cast<unsigned char>(rng());
    c.summary = std::string(words[rng() % std::size(words)]) + " " + words[rng() % std::size(words)];
    c.author = words[rng() % std::size(words)];
    // Times from before year 1 to far beyond 9999, and around New Year.
    switch (i % 4) {
      case 0:
        c.time = static_cast<std::int64_t>(rng() % 4'000'000'000) - 500'000'000;
        break;
      case 1:
        c.time = static_cast<std::int64_t>(rng() % 400'000'000'000) - 200'000'000'000;
        break;
      case 2:
        c.time = 1704067200 + static_cast<std::int64_t>(rng() % 172800) - 86400;  // New Year 2024
        break;
      default:
        c.time = static_cast<std::int64_t>(rng() % 20'000'000'000'000) - 10'000'000'000'000;
    }
    commits.push_back(std::move(c));
  }
  BranchMap branches{{BranchName{"main"}, commits[3].id},
                     {BranchName{"origin/Main"}, commits[5].id},
                     {BranchName{"1072"}, commits[9].id}};
  const Oid head = commits[3].id;

  std::vector<std::string> queries{"a",    "1",        "10",        "2023",    "2024", "1072", "-1",
                                   "-0",   ", 2",      ", -",       "c 31",    "31,",  "dec",  "Dec 31,",
                                   "n 1",  "an 1,",    "5, ",       "mar 5",   "main", "Main", "hea",
                                   "HEAD", "\xCF\x82", "i\xCC\x87", "\xC3\x9F"};
  // Fragments of real date texts and short ids.
  for (int i = 0; i < 60; ++i) {
    const Commit& c = commits[rng() % commits.size()];
    const std::string date = utils::format_date(c.time);
    const std::string id = c.id.short_hex();
    if (!date.empty()) {
      const std::size_t start = rng() % date.size();
      queries.push_back(date.substr(start, 1 + rng() % (date.size() - start)));
    }
    queries.push_back(id.substr(rng() % 4, 3 + rng() % 4));
  }
  for (const auto& query : queries) {
    SCOPED_TRACE(query);
    const repo::LogSearch search(query, branches, head);
    for (const auto& c : commits) {
      const bool want = reference_match(c, query, branches, head);
      ASSERT_EQ(search.matches(c), want) << c.summary << " " << c.time << " " << utils::format_date(c.time);
      ASSERT_EQ(c.matches(query, branches, head), want) << c.summary << " " << c.time;
    }
  }
}

}  // namespace
