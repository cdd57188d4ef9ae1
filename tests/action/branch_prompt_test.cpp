#include "action/branch_prompt.hpp"

#include <gtest/gtest.h>

#include "branch_fixture.hpp"
#include "log_fixture.hpp"

namespace {

using action::TabCompletion;
using app_testing::BranchRepo;
using app_testing::memory_log;
using testing_support::open_repo;
using testing_support::Session;
using testing_support::TempRepo;

struct CompletionCase {
  std::vector<std::string> candidates;
  std::string input;
  std::optional<std::string> prefix;
  std::size_t index;
  TabCompletion want;
};

TEST(TabCompletion, ExtendsThenCycles) {
  const std::vector<std::string> three = {"fix", "feature-b", "feature-a"};
  const std::vector<std::string> twice = {"main", "maint", "main"};
  const CompletionCase cases[] = {
      // Nothing to extend: the first in sorted order, cycling by the input.
      {three, "f", std::nullopt, 0, {"feature-a", "f", 1}},
      {three, "feature-a", "f", 1, {"feature-b", "f", 2}},
      {three, "feature-b", "f", 2, {"fix", "f", 3}},
      {three, "fix", "f", 3, {"feature-a", "f", 4}},
      // Extension to the common prefix first, cycling after.
      {three, "fe", std::nullopt, 0, {"feature-", std::nullopt, 0}},
      {three, "feature-", std::nullopt, 0, {"feature-a", "feature-", 1}},
      {three, "", std::nullopt, 0, {"f", std::nullopt, 0}},
      // A single match completes whole and then stays.
      {three, "fi", std::nullopt, 0, {"fix", std::nullopt, 0}},
      {three, "fix", std::nullopt, 0, {"fix", std::nullopt, 0}},
      // No match: text unchanged, cycling over.
      {three, "z", std::nullopt, 0, {"z", std::nullopt, 0}},
      {three, "fix", "q", 5, {"fix", std::nullopt, 0}},
      {{}, "a", std::nullopt, 0, {"a", std::nullopt, 0}},
      // Duplicates are kept, so cycling shows a name twice.
      {twice, "m", std::nullopt, 0, {"main", std::nullopt, 0}},
      {twice, "main", std::nullopt, 0, {"main", "main", 1}},
      {twice, "main", "main", 1, {"main", "main", 2}},
      {twice, "main", "main", 2, {"maint", "main", 3}},
      {twice, "maint", "main", 3, {"main", "main", 4}},
      // The common prefix ends on a whole character.
      {{"aé", "aè"}, "", std::nullopt, 0, {"a", std::nullopt, 0}},
      {{"été-1", "été-2"}, "é", std::nullopt, 0, {"été-", std::nullopt, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.candidates) + " input " + c.input + " prefix " +
                 c.prefix.value_or("(none)") + " index " + std::to_string(c.index));
    EXPECT_EQ(action::tab_complete_branch(c.input, c.candidates, c.prefix, c.index), c.want);
  }
}

TEST(BranchPrompts, TypingAndClosingEndTheCycle) {
  BranchRepo fixture;
  Session s(open_repo(fixture.temp));
  ASSERT_EQ(s.repo.commits[0].id.hex(), fixture.newest);

  s.press("df<tab>");
  EXPECT_EQ(s.state.delete_branch_input, "feature-a");
  EXPECT_EQ(s.state.completion_prefix, "f");
  s.press("<tab>");
  EXPECT_EQ(s.state.delete_branch_input, "feature-b");
  // Backspace ends the cycle: the next Tab filters by the text as it is now.
  s.press("<bs>");
  EXPECT_FALSE(s.state.completion_prefix);
  EXPECT_EQ(s.state.completion_index, 0u);
  s.press("<tab><tab>");
  EXPECT_EQ(s.state.delete_branch_input, "feature-b");
  EXPECT_EQ(s.state.completion_prefix, "feature-");

  // Closing the delete prompt mid-cycle, then the create prompt starts
  // afresh from its empty text.
  s.press("<esc>");
  EXPECT_FALSE(s.state.deleting_branch);
  EXPECT_EQ(s.state.delete_branch_input, "");
  EXPECT_FALSE(s.state.completion_prefix);
  s.press("b<tab>");
  EXPECT_EQ(s.state.create_branch_input, "alpha");
  EXPECT_EQ(s.state.completion_prefix, "");
  s.press("<tab>");
  EXPECT_EQ(s.state.create_branch_input, "beta");
  s.press("x<tab>");
  EXPECT_EQ(s.state.create_branch_input, "betax");
  EXPECT_FALSE(s.state.completion_prefix);
}

TEST(BranchPrompts, WithoutASelectedCommitThePromptWaits) {
  Session s(memory_log(0));
  s.press("b");  // works on an empty log
  ASSERT_TRUE(s.state.creating_branch);
  s.press("name<tab><enter>");
  EXPECT_TRUE(s.state.creating_branch);
  EXPECT_EQ(s.state.create_branch_input, "name");
  EXPECT_FALSE(s.state.status_message);
  s.press("<bs><bs><bs><bs><enter>");
  EXPECT_FALSE(s.state.creating_branch);

  // The same for delete after a reload shortened the log under it.
  s.state.deleting_branch = true;
  s.press("x<enter><tab>");
  EXPECT_TRUE(s.state.deleting_branch);
  EXPECT_EQ(s.state.delete_branch_input, "x");
}

// Typing into the prompt: text_prompts_test.cpp.
TEST(BranchPrompts, EmptyTextOrCancelClosesQuietly) {
  Session s(memory_log(3));
  s.press("b");
  // Enter on an empty text and Backspace on an empty text close quietly.
  s.press("<enter>");
  EXPECT_FALSE(s.state.creating_branch);
  s.press("b<bs>");
  EXPECT_FALSE(s.state.creating_branch);
  s.press("bab<C-c>");
  EXPECT_FALSE(s.state.creating_branch);
  EXPECT_EQ(s.state.create_branch_input, "");
  EXPECT_FALSE(s.state.status_message);
}

}  // namespace
