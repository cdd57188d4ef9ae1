#include <gtest/gtest.h>

#include "branch_fixture.hpp"
#include "log_fixture.hpp"

namespace {

using app_testing::BranchRepo;
using app_testing::memory_log;
using testing_support::open_repo;
using testing_support::Session;
using testing_support::TempRepo;

struct DeleteCase {
  std::string name;
  std::string message;
  bool gone;
};

TEST(DeleteBranchPrompt, Outcomes) {
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

TEST(DeleteBranchPrompt, RemoteTrackingNamePassesTheCheckButIsNotDeleted) {
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
TEST(DeleteBranchPrompt, ARemoteTrackingNameNeverDeletesALocalBranchElsewhere) {
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

TEST(DeleteBranchPrompt, NeedsALocalBranchOnTheCommit) {
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

}  // namespace
