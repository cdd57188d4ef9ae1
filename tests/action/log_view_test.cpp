#include "action/log_view.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "log_fixture.hpp"

namespace {

using app_testing::memory_log;
using testing_support::open_repo;
using testing_support::Session;
using testing_support::TempRepo;

struct CountCase {
  std::string keys;
  std::size_t from;
  std::size_t selected;
  std::string count_after;
};

TEST(LogNavigation, CountPrefixDrivesTheMoves) {
  // 20 commits, 21 visible rows: half a page is 10.
  const CountCase cases[] = {
      {"j", 0, 1, ""},
      {"0j", 0, 1, ""},  // a leading 0 is no count
      {"10j", 0, 10, ""},
      {"3<down>", 0, 3, ""},
      {"3k", 10, 7, ""},
      {"3<up>", 1, 0, ""},
      {"5G", 0, 4, ""},
      {"999G", 0, 19, ""},
      {"G", 3, 19, ""},
      {"5g", 8, 0, ""},
      {"3<C-d>", 0, 10, ""},
      {"<C-d><C-d><C-d>", 0, 19, ""},
      {"3<C-u>", 15, 5, ""},
      {"18446744073709551615j", 2, 19, ""},  // the largest count saturates
      {"18446744073709551615k", 12, 0, ""},
      {"18446744073709551615G", 0, 19, ""},
      {"18446744073709551616j", 2, 3, ""},  // one more is no count at all
      {"99999999999999999999k", 5, 4, ""},
      {"99999999999999999999G", 0, 19, ""},
      {"12<bs>j", 0, 1, ""},
      {"3<bs>", 4, 4, ""},
      {"3x", 0, 0, "3"},  // characters without a command keep it
      {"3J", 0, 0, "3"},
      {"3<left>", 0, 0, "3"},
      {"3?", 0, 0, ""},  // commands clear it
      {"3a", 0, 0, ""},
      {"3y", 0, 0, ""},
      {"3<tab>", 0, 0, ""},
      {"3m", 0, 0, ""},
      {"30", 0, 0, "30"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    Session s(memory_log(20));
    s.state.selected = c.from;
    EXPECT_FALSE(s.press(c.keys));
    EXPECT_EQ(s.state.selected, c.selected);
    EXPECT_EQ(s.state.count_prefix, c.count_after);
  }
}

TEST(LogNavigation, CountSurvivesSearchSteps) {
  Session s(memory_log(20));
  s.state.search_query = "commit 5";
  s.press("3n");
  EXPECT_EQ(s.state.selected, 5u);
  EXPECT_EQ(s.state.count_prefix, "3");
  s.press("j");
  EXPECT_EQ(s.state.selected, 8u);
}

TEST(LogNavigation, ParseCountReadsSixtyFourBits) {
  EXPECT_EQ(action::parse_count(""), std::nullopt);
  EXPECT_EQ(action::parse_count("7"), 7u);
  EXPECT_EQ(action::parse_count("18446744073709551615"), UINT64_MAX);
  EXPECT_EQ(action::parse_count("18446744073709551616"), std::nullopt);
}

TEST(LogNavigation, ASelectionPastTheEndNeverMovesFurther) {
  Session s(memory_log(20));
  s.state.selected = 30;  // a reload shortened the log
  s.press("5j");
  EXPECT_EQ(s.state.selected, 19u);
  s.state.selected = 30;
  s.press("<C-d>");
  EXPECT_EQ(s.state.selected, 19u);
}

TEST(LogNavigation, EmptyLogStaysOnRowZero) {
  for (const std::string keys :
       {"j", "5j", "k", "<C-d>", "<C-u>", "g", "G", "5G", "h", "<enter>", " ", "l", "n"}) {
    SCOPED_TRACE(keys);
    Session s(memory_log(0));
    s.state.search_query = "x";
    s.press("3" + keys);
    EXPECT_EQ(s.state.selected, 0u);
    EXPECT_FALSE(s.state.commit_details);
  }
}

TEST(LogNavigation, HeadIsSelectedAndCentred) {
  Session s(memory_log(100, 50));
  s.state.selected = 0;
  s.state.scroll = 0;
  s.press("4h");
  EXPECT_EQ(s.state.selected, 50u);
  EXPECT_EQ(s.state.scroll, 40u);  // 50 - 21/2
  EXPECT_EQ(s.state.count_prefix, "");

  // HEAD beyond the loaded commits: nothing moves.
  s.repo.head = repo::HeadDetached{repo::Oid::from_hex(std::string(40, 'f')).value()};
  s.state.selected = 3;
  s.state.scroll = 2;
  s.press("h");
  EXPECT_EQ(s.state.selected, 3u);
  EXPECT_EQ(s.state.scroll, 2u);
}

TEST(LogNavigation, QuitChainClearsOneThingPerPress) {
  for (const std::string key : {"<esc>", "q", "<C-c>"}) {
    SCOPED_TRACE(key);
    Session s(memory_log(5));
    s.state.search_query = "commit";
    s.state.count_prefix = "3";
    s.state.commit_details = repo::CommitDetails{};
    s.state.details_query = "needle";
    s.state.details_match_line = 4;
    s.state.details_match_index = 0;
    s.state.details_scroll = 7;

    EXPECT_FALSE(s.press(key));
    EXPECT_EQ(s.state.details_query, "");
    EXPECT_FALSE(s.state.details_match_line);
    EXPECT_FALSE(s.state.details_match_index);
    EXPECT_TRUE(s.state.commit_details);
    EXPECT_EQ(s.state.count_prefix, "3");  // kept while the panel is open

    EXPECT_FALSE(s.press(key));
    EXPECT_FALSE(s.state.commit_details);
    EXPECT_EQ(s.state.details_scroll, 0u);
    EXPECT_EQ(s.state.count_prefix, "3");

    EXPECT_FALSE(s.press(key));
    EXPECT_EQ(s.state.count_prefix, "");
    EXPECT_EQ(s.state.search_query, "commit");

    EXPECT_FALSE(s.press(key));
    EXPECT_EQ(s.state.search_query, "");

    EXPECT_TRUE(s.press(key));
  }
}

TEST(LogNavigation, CountTypedInThePanelAppliesAfterClosingIt) {
  Session s(memory_log(20));
  s.state.commit_details = repo::CommitDetails{};
  s.press("3<esc>");
  EXPECT_FALSE(s.state.commit_details);
  s.press("j");
  EXPECT_EQ(s.state.selected, 3u);
}

TEST(LogNavigation, BackspaceWithoutCountEmptiesTheLogQuery) {
  Session s(memory_log(5));
  s.state.search_query = "commit";
  s.state.commit_details = repo::CommitDetails{};
  s.state.details_query = "keep";
  s.press("<bs>");
  EXPECT_EQ(s.state.search_query, "");
  EXPECT_EQ(s.state.details_query, "keep");
}

TEST(LogNavigation, SlashOpensTheSearchPrompt) {
  Session s(memory_log(30));
  s.state.selected = 25;
  s.state.scroll = 9;
  s.state.search_query = "old";
  s.state.details_query = "kept";
  s.press("4/");
  EXPECT_TRUE(s.state.searching);
  EXPECT_EQ(s.state.search_query, "");
  EXPECT_EQ(s.state.details_query, "kept");
  EXPECT_EQ(s.state.saved_selection, 25u);
  EXPECT_EQ(s.state.saved_scroll, 9u);
  EXPECT_EQ(s.state.count_prefix, "");
}

}  // namespace
