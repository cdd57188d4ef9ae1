#include <gtest/gtest.h>

#include "remote_fixture.hpp"
#include "support/auth_wall.hpp"

namespace {

using app_testing::HermeticGit;
using app_testing::OriginRepo;
using testing_support::AuthWall;
using testing_support::FakePrograms;
using testing_support::LoopSession;
using testing_support::open_repo;
using testing_support::TempDir;
using testing_support::TempRepo;
using testing_support::trimmed;

TEST(Fetch, AFailingRemoteIsNamedAfterTheOnesThatWorked) {
  HermeticGit home;
  OriginRepo fixture;
  fixture.push_from_elsewhere("theirs");
  const std::string gone = fixture.origin_dir.path() + "/gone.git";
  fixture.work.git({"remote", "add", "zz-gone", gone});
  LoopSession s(open_repo(fixture.work));

  s.press("f");
  s.finish_fetch();
  // origin's "From …" comes first on standard error.
  EXPECT_EQ(s.status(), "fetch failed: fatal: '" + gone + "' does not appear to be a git repository");
}

TEST(Fetch, TakesNewCommitsAndPrunesDeletedBranches) {
  HermeticGit home;
  OriginRepo fixture;
  fixture.work.git({"push", "-q", "origin", "main:gone"});
  const std::string theirs = fixture.push_from_elsewhere("theirs");
  fixture.work.git({"--git-dir", fixture.origin(), "branch", "-D", "gone"});
  LoopSession s(open_repo(fixture.work));
  ASSERT_TRUE(s.repo.branches.contains(repo::BranchName{"origin/gone"}));

  s.state.set_status("before");
  s.state.count_prefix = "2";
  s.press("f");
  EXPECT_TRUE(s.state.fetch_task);
  EXPECT_FALSE(s.state.status_message);
  EXPECT_EQ(s.state.count_prefix, "");
  s.finish_fetch();
  EXPECT_EQ(s.status(), "fetched");
  EXPECT_FALSE(s.repo.branches.contains(repo::BranchName{"origin/gone"}));
  const auto main_tip = s.repo.branches.find(repo::BranchName{"origin/main"});
  ASSERT_NE(main_tip, s.repo.branches.end());
  EXPECT_EQ(main_tip->second.hex(), theirs);
  EXPECT_EQ(s.repo.commits.front().id.hex(), theirs);
}

TEST(Fetch, RemoteCheckFirstAndOneFetchAtATime) {
  HermeticGit home;
  // A fetch that is still running: a channel whose sender the test holds.
  auto [sender, receiver] = utils::make_channel<state::FetchResult>();
  {
    TempRepo t;
    t.write("f", "1\n").commit("first");
    LoopSession s(open_repo(t));
    s.press("f");
    EXPECT_EQ(s.status(), "no remote configured");
    EXPECT_FALSE(s.state.fetch_task);
    s.state.fetch_task = state::Task<state::FetchResult>{std::move(receiver), 5};
    s.state.status_message.reset();
    s.press("f");
    EXPECT_EQ(s.status(), "no remote configured");
    EXPECT_EQ(s.state.fetch_task->ticks, 5u);
    receiver = std::move(s.state.fetch_task->receiver);
  }
  OriginRepo fixture;
  LoopSession s(open_repo(fixture.work));
  s.state.fetch_task = state::Task<state::FetchResult>{std::move(receiver), 7};
  s.state.set_status("before");
  s.state.count_prefix = "4";
  s.press("f");
  EXPECT_EQ(s.status(), "before");
  EXPECT_EQ(s.state.fetch_task->ticks, 7u);
  EXPECT_EQ(s.state.count_prefix, "");
  // Its result is still the one awaited.
  sender.send(state::FetchResult{"the first fetch", false});
  s.finish_fetch();
  EXPECT_EQ(s.status(), "the first fetch");
}

TEST(Fetch, WorksWithoutCommits) {
  HermeticGit home;
  TempDir bare;
  TempRepo t;
  t.git({"init", "-q", "--bare", bare.path() + "/o.git"});
  t.git({"remote", "add", "origin", bare.path() + "/o.git"});
  LoopSession s(open_repo(t));
  ASSERT_TRUE(s.repo.commits.empty());
  s.press("f");
  s.finish_fetch();
  EXPECT_EQ(s.status(), "fetched");
  // The commands on the selected commit do nothing at all.
  s.state.set_status("kept");
  s.press("pcyo");
  EXPECT_EQ(s.status(), "kept");
  EXPECT_FALSE(s.state.entering_push_branch);
  EXPECT_FALSE(s.state.checking_out);
}

}  // namespace
