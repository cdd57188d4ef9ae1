#include <gtest/gtest.h>

#include "branch_fixture.hpp"
#include "log_fixture.hpp"

namespace {

using app_testing::BranchRepo;
using app_testing::memory_log;
using testing_support::open_repo;
using testing_support::Session;
using testing_support::TempRepo;

TEST(CreateBranchPrompt, AtTheSelectedCommit) {
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

TEST(CreateBranchPrompt, FailuresShowTheLibraryMessage) {
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

}  // namespace
