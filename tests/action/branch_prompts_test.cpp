#include "log_fixture.hpp"

#include <gtest/gtest.h>

namespace {

using action::TabCompletion;
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

// main and topic at the newest commit, other at the first; remote-tracking
// alpha and beta at the newest.
struct BranchRepo {
  BranchRepo() {
    first = temp.commit("first");
    newest = temp.write("a.txt", "a\n").commit("second");
    temp.git({"branch", "topic"});
    temp.git({"branch", "other", first});
    temp.git({"branch", "feature-a"});
    temp.git({"branch", "feature-b"});
    temp.git({"branch", "fix"});
    temp.git({"update-ref", "refs/remotes/origin/alpha", newest});
    temp.git({"update-ref", "refs/remotes/origin/beta", newest});
  }

  TempRepo temp;
  std::string first, newest;
};

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

TEST(BranchPrompts, CreateAtTheSelectedCommit) {
  BranchRepo fixture;
  Session s(open_repo(fixture.temp));
  s.state.selected = 1;
  s.state.set_status("old news");
  s.state.count_prefix = "4";
  s.press("b");
  EXPECT_TRUE(s.state.creating_branch);
  EXPECT_FALSE(s.state.status_message);
  EXPECT_EQ(s.state.count_prefix, "");

  s.press("new-one<enter>");
  EXPECT_FALSE(s.state.creating_branch);
  EXPECT_EQ(s.state.create_branch_input, "");
  ASSERT_TRUE(s.state.status_message);
  EXPECT_EQ(s.state.status_message->text, "created new-one");
  EXPECT_EQ(fixture.temp.rev_parse("refs/heads/new-one"), fixture.first);
  EXPECT_TRUE(s.repo.branches.contains(repo::BranchName{"new-one"}));
}

TEST(BranchPrompts, CreateFailuresShowTheLibraryMessage) {
  for (const std::string name : {"topic", "bad..name", "-x"}) {
    SCOPED_TRACE(name);
    BranchRepo fixture;
    repo::Repo probe = open_repo(fixture.temp);
    const auto expected = probe.create_branch(name, probe.commits[0].id);
    ASSERT_FALSE(expected);
    ASSERT_FALSE(expected.error().empty());

    Session s(open_repo(fixture.temp));
    s.press("b" + name + "<enter>");
    EXPECT_FALSE(s.state.creating_branch);
    ASSERT_TRUE(s.state.status_message);
    EXPECT_EQ(s.state.status_message->text, expected.error());
  }
}

struct DeleteCase {
  std::string name;
  std::string message;
  bool gone;
};

TEST(BranchPrompts, DeleteOutcomes) {
  const DeleteCase cases[] = {
      {"topic", "deleted topic", true},    {"main", "can't delete current branch", false},
      {"nope", "no 'nope' branch", false}, {"other", "no 'other' branch", false},  // a branch, but elsewhere
      {"topi", "no 'topi' branch", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BranchRepo fixture;
    Session s(open_repo(fixture.temp));
    s.press("d");
    ASSERT_TRUE(s.state.deleting_branch);
    s.press(c.name + "<enter>");
    EXPECT_FALSE(s.state.deleting_branch);
    EXPECT_EQ(s.state.delete_branch_input, "");
    ASSERT_TRUE(s.state.status_message);
    EXPECT_EQ(s.state.status_message->text, c.message);
    const bool exists =
        fixture.temp.git_result({"rev-parse", "--verify", "-q", "refs/heads/" + c.name}).success();
    EXPECT_EQ(exists, !c.gone && c.name != "nope" && c.name != "topi");
  }
}

TEST(BranchPrompts, RemoteTrackingNamePassesTheCheckButIsNotDeleted) {
  BranchRepo fixture;
  repo::Repo probe = open_repo(fixture.temp);
  const auto expected = probe.delete_branch("origin/alpha", probe.commits[0].id);
  ASSERT_FALSE(expected);

  Session s(open_repo(fixture.temp));
  s.press("dorigin/alpha<enter>");
  ASSERT_TRUE(s.state.status_message);
  EXPECT_EQ(s.state.status_message->text, expected.error());
  EXPECT_TRUE(
      fixture.temp.git_result({"rev-parse", "--verify", "-q", "refs/remotes/origin/alpha"}).success());
}

// The remote-tracking origin/wip sits at the selected commit beside main; a local branch of the
// same name holds another commit. Enter on that name deletes nothing.
TEST(BranchPrompts, ARemoteTrackingNameNeverDeletesALocalBranchElsewhere) {
  BranchRepo fixture;
  fixture.temp.git({"branch", "origin/wip", fixture.first});
  fixture.temp.git({"update-ref", "refs/remotes/origin/wip", fixture.newest});
  Session s(open_repo(fixture.temp));
  ASSERT_EQ(s.repo.commits[0].id.hex(), fixture.newest);
  s.press("dorigin/wip<enter>");
  EXPECT_FALSE(s.state.deleting_branch);
  ASSERT_TRUE(s.state.status_message);
  EXPECT_EQ(s.state.status_message->text,
            "local branch 'origin/wip' is not at " + fixture.newest.substr(0, 7));
  EXPECT_EQ(fixture.temp.rev_parse("refs/heads/origin/wip"), fixture.first);
  EXPECT_EQ(fixture.temp.rev_parse("refs/remotes/origin/wip"), fixture.newest);
}

TEST(BranchPrompts, DeleteNeedsALocalBranchOnTheCommit) {
  BranchRepo fixture;
  fixture.temp.git({"branch", "-D", "other"});
  Session s(open_repo(fixture.temp));
  s.state.selected = 1;
  s.state.count_prefix = "2";
  s.press("d");
  EXPECT_FALSE(s.state.deleting_branch);
  EXPECT_EQ(s.state.count_prefix, "");
  ASSERT_TRUE(s.state.status_message);
  EXPECT_EQ(s.state.status_message->text, "no local branches on this commit");

  // No selected commit: nothing at all.
  s.state.status_message.reset();
  s.state.selected = 9;
  s.press("d");
  EXPECT_FALSE(s.state.deleting_branch);
  EXPECT_FALSE(s.state.status_message);
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
