#include <gtest/gtest.h>

#include "action/prompt_text.hpp"
#include "log_fixture.hpp"

namespace {

using action::Action;
using app_testing::memory_log;
using testing_support::Session;

TEST(SearchPrompt, HistoryStepsBackAndForth) {
  Session s(memory_log(20));
  s.state.search_history = {"first", "second", "third"};
  s.press("/");
  const std::pair<std::string, std::optional<std::size_t>> steps[] = {
      {"<up>", 2},
      {"<up>", 1},
      {"<up>", 0},
      {"<up>", 0},
      {"<down>", 1},
      {"<down>", 2},
      {"<down>", std::nullopt},
  };
  const char* queries[] = {"third", "second", "first", "first", "second", "third", ""};
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    s.press(steps[i].first);
    EXPECT_EQ(s.state.history_cursor, steps[i].second);
    EXPECT_EQ(s.state.search_query, queries[i]);
  }
  // Down without a cursor does nothing.
  s.press("<down>");
  EXPECT_EQ(s.state.search_query, "");
  EXPECT_TRUE(s.state.searching);
}

TEST(SearchPrompt, TypingAfterRecallStartsAgainFromTheNewest) {
  Session s(memory_log(20));
  s.state.search_history = {"first", "second", "third"};
  s.press("/<up><up>x");
  EXPECT_EQ(s.state.search_query, "secondx");
  EXPECT_FALSE(s.state.history_cursor);
  s.press("<up>");
  EXPECT_EQ(s.state.search_query, "third");
  s.press("<bs>");
  EXPECT_FALSE(s.state.history_cursor);
  s.press("<up>");
  EXPECT_EQ(s.state.history_cursor, 2u);
}

TEST(SearchPrompt, UpWithoutHistoryDoesNothing) {
  Session s(memory_log(20));
  s.press("/ab<up>");
  EXPECT_EQ(s.state.search_query, "ab");
  EXPECT_FALSE(s.state.history_cursor);
}

TEST(SearchPrompt, ConfirmedMatchesEnterTheHistoryOnce) {
  Session s(memory_log(20));
  s.press("/commit 5<enter>");
  s.press("/commit 5<enter>");
  EXPECT_EQ(s.state.search_history, std::vector<std::string>{"commit 5"});
  // Only the newest entry is compared.
  s.press("/commit 6<enter>/commit 5<enter>");
  EXPECT_EQ(s.state.search_history, (std::vector<std::string>{"commit 5", "commit 6", "commit 5"}));
  EXPECT_EQ(s.state.search_query, "commit 5");
  EXPECT_FALSE(s.state.searching);
  EXPECT_FALSE(s.state.saved_selection);
  EXPECT_FALSE(s.state.saved_scroll);
}

TEST(SearchPrompt, ConfirmWithoutAMatchDropsTheQuery) {
  Session s(memory_log(20));
  s.state.selected = 3;
  s.press("/zzz<enter>");
  EXPECT_FALSE(s.state.searching);
  EXPECT_EQ(s.state.search_query, "");
  EXPECT_TRUE(s.state.search_history.empty());
  EXPECT_EQ(s.state.selected, 3u);
  EXPECT_FALSE(s.state.saved_selection);
  // An empty query never matches, so it is not remembered either.
  s.press("/<enter>");
  EXPECT_TRUE(s.state.search_history.empty());
}

TEST(SearchPrompt, CancelRestoresTheSavedPosition) {
  for (const std::string cancel : {"<esc>", "<C-c>", "<bs><bs><bs>"}) {
    SCOPED_TRACE(cancel);
    Session s(memory_log(40));
    s.state.selected = 3;
    s.state.scroll = 1;
    s.press("/ab");
    // Where the incremental search would have taken the selection.
    s.state.selected = 30;
    s.state.scroll = 12;
    s.press(cancel);
    EXPECT_FALSE(s.state.searching);
    EXPECT_EQ(s.state.search_query, "");
    EXPECT_EQ(s.state.selected, 3u);
    EXPECT_EQ(s.state.scroll, 1u);
    EXPECT_FALSE(s.state.saved_selection);
    EXPECT_FALSE(s.state.saved_scroll);
    EXPECT_FALSE(s.state.history_cursor);
  }
}

TEST(SearchPrompt, BackspaceRemovesOneCharacter) {
  Session s(memory_log(20));
  s.press("/");
  for (char32_t c : {U'a', U'é', U'😀'}) Action(Action::Char, c).execute(s.state, s.repo, s.terminal);
  EXPECT_EQ(s.state.search_query, "aé😀");
  s.press("<bs>");
  EXPECT_EQ(s.state.search_query, "aé");
  s.press("<bs>");
  EXPECT_EQ(s.state.search_query, "a");
}

TEST(PromptText, IllFormedBytesGoOneAtATime) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\xff", "a"},
      {"a\xc3", "a"},          // a sequence cut short
      {"a\xe2\x82", "a\xe2"},  // its last byte belongs to nothing
      {"\x82\x82\x82\x82", "\x82\x82\x82"},
      {"x\xf0\x9f\x98\x80", "x"},  // one whole four-byte character
      {"", ""},
  };
  for (const auto& [text, want] : cases) {
    std::string t = text;
    action::remove_last_char(t);
    EXPECT_EQ(t, want) << testing::PrintToString(text);
  }
}

TEST(SearchPrompt, DetailsSearchEditsTheDetailsQuery) {
  Session s(memory_log(20));
  s.state.commit_details = repo::CommitDetails{};
  s.state.search_history = {"older"};
  s.state.details_query = "ab";  // a confirmed details search continues
  s.press("/c");
  EXPECT_EQ(s.state.details_query, "abc");
  EXPECT_EQ(s.state.search_query, "");
  // History recall would rewrite the hidden log query: it does nothing here.
  s.press("<up><down>");
  EXPECT_EQ(s.state.search_query, "");
  EXPECT_EQ(s.state.details_query, "abc");
  EXPECT_FALSE(s.state.history_cursor);

  s.state.details_match_line = 4;
  s.state.details_match_index = 1;
  s.press("<esc>");
  EXPECT_FALSE(s.state.searching);
  EXPECT_EQ(s.state.details_query, "");
  EXPECT_FALSE(s.state.details_match_line);
  EXPECT_FALSE(s.state.details_match_index);
  EXPECT_TRUE(s.state.commit_details);

  // No match in the details: Enter drops the query.
  s.press("/zzz<enter>");
  EXPECT_FALSE(s.state.searching);
  EXPECT_EQ(s.state.details_query, "");
  EXPECT_TRUE(s.state.search_history.size() == 1);
}

TEST(SearchPrompt, BackspaceOnAnEmptyDetailsQueryCancels) {
  Session s(memory_log(20));
  s.state.commit_details = repo::CommitDetails{};
  s.press("/<bs>");
  EXPECT_FALSE(s.state.searching);
  EXPECT_TRUE(s.state.commit_details);
}

struct StepCase {
  std::string query;
  std::size_t from;
  std::size_t next;
  std::size_t previous;
};

TEST(SearchSteps, NextAndPreviousWrapAndSkipTheSelection) {
  // "commit 1" matches rows 1 and 10 to 19.
  const StepCase cases[] = {
      {"commit 1", 0, 1, 19},   {"commit 1", 1, 10, 19},  // N from the first match wraps to the last
      {"commit 1", 12, 13, 11}, {"commit 1", 19, 1, 18},  // n from the last wraps to the first
      {"commit 1", 5, 10, 1},   {"commit 5", 5, 5, 5},    // only the selected commit matches
      {"commit 5", 0, 5, 5},    {"zzz", 7, 7, 7},        {"", 7, 7, 7},
      {"commit 1", 20, 1, 19},  // past the end: n from the top, N from the bottom
      {"commit 1", 25, 1, 19},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query + " from " + std::to_string(c.from));
    Session s(memory_log(20));
    s.state.search_query = c.query;
    s.state.selected = c.from;
    s.state.scroll = 4;
    s.press("n");
    EXPECT_EQ(s.state.selected, c.next);
    s.state.selected = c.from;
    s.press("N");
    EXPECT_EQ(s.state.selected, c.previous);
    EXPECT_EQ(s.state.scroll, 4u);
  }
}

TEST(SearchSteps, HeadAndBranchNamesMatch) {
  Session s(memory_log(10, 6));
  s.repo.branches[repo::BranchName{"topic"}] = s.repo.commits[3].id;
  s.state.selected = 0;
  s.state.search_query = "topic";
  s.press("n");
  EXPECT_EQ(s.state.selected, 3u);
  s.state.search_query = "HEAD";
  s.press("N");
  EXPECT_EQ(s.state.selected, 6u);
}

TEST(SearchSteps, EmptyLog) {
  Session s(memory_log(0));
  s.state.search_query = "commit";
  s.press("nN");
  EXPECT_EQ(s.state.selected, 0u);
}

}  // namespace
