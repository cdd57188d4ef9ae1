#include "remote_fixture.hpp"

#include "support/auth_wall.hpp"

#include <gtest/gtest.h>

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

TEST(PushPrompt, ChecksTheRemoteThenTheLocalBranches) {
  HermeticGit home;
  {
    TempRepo t;
    t.write("f", "1\n").commit("first");
    t.write("f", "2\n").commit("second");
    LoopSession s(open_repo(t));
    // No origin: said first, even on a commit without a local branch.
    for (const std::size_t row : {0u, 1u}) {
      s.state.selected = row;
      s.state.count_prefix = "3";
      s.press("p");
      EXPECT_EQ(s.status(), "no remote configured");
      EXPECT_FALSE(s.state.entering_push_branch);
      EXPECT_EQ(s.state.count_prefix, "");
    }
  }
  OriginRepo fixture;
  fixture.work.write("f.txt", "two\n").commit("second");
  fixture.work.git({"branch", "topic"});
  LoopSession s(open_repo(fixture.work));
  s.state.selected = 1;
  s.press("p");
  EXPECT_EQ(s.status(), "no local branch at this commit");
  EXPECT_FALSE(s.state.entering_push_branch);

  s.state.selected = 0;
  s.state.completion_prefix = "x";
  s.state.completion_index = 4;
  s.press("p");
  EXPECT_TRUE(s.state.entering_push_branch);
  EXPECT_EQ(s.state.push_input, s.repo.local_branches_at(s.repo.commits[0].id).front());
  EXPECT_FALSE(s.state.status_message);
  EXPECT_FALSE(s.state.completion_prefix);
  EXPECT_EQ(s.state.completion_index, 0u);
  EXPECT_FALSE(s.state.push_task);
}

// Typing into the prompt: text_prompts_test.cpp.
TEST(PushPrompt, TabCompletesAndClosingSendsNothing) {
  HermeticGit home;
  OriginRepo fixture;
  fixture.work.git({"branch", "topic"});
  LoopSession s(open_repo(fixture.work));
  s.press("p");
  ASSERT_TRUE(s.state.entering_push_branch);
  s.state.push_input.clear();

  // Tab completes among the local branches at the commit.
  s.state.push_input = "t";
  s.press("<tab>");
  EXPECT_EQ(s.state.push_input, "topic");

  // Backspace on an empty text closes, without a word and without a push.
  s.state.push_input = "é";
  s.state.set_status("kept");
  s.press("<bs>");
  EXPECT_EQ(s.state.push_input, "");
  EXPECT_TRUE(s.state.entering_push_branch);
  s.press("<bs>");
  EXPECT_FALSE(s.state.entering_push_branch);
  EXPECT_EQ(s.status(), "kept");
  EXPECT_FALSE(s.state.push_task);

  // Esc and Ctrl-c cancel and forget the completion cycle.
  for (const char* cancel : {"<esc>", "<C-c>"}) {
    SCOPED_TRACE(cancel);
    s.press("p<bs><bs><bs><bs><bs><bs>m<tab>");
    s.press(cancel);
    EXPECT_FALSE(s.state.entering_push_branch);
    EXPECT_EQ(s.state.push_input, "");
    EXPECT_FALSE(s.state.completion_prefix);
    EXPECT_EQ(s.state.completion_index, 0u);
    EXPECT_FALSE(s.state.push_task);
  }

  // Enter on an empty text.
  s.press("p");
  s.state.push_input.clear();
  s.press("<enter>");
  EXPECT_EQ(s.status(), "no branch name");
  EXPECT_FALSE(s.state.entering_push_branch);
  EXPECT_FALSE(s.state.push_task);
}

TEST(Push, PushesTheBranchAndItsRemoteTrackingBranchAppears) {
  HermeticGit home;
  OriginRepo fixture;
  const std::string second = fixture.work.write("f.txt", "two\n").commit("second");
  fixture.work.git({"branch", "topic"});
  LoopSession s(open_repo(fixture.work));
  ASSERT_EQ(s.repo.commits[0].id.hex(), second);
  ASSERT_FALSE(s.repo.branches.contains(repo::BranchName{"origin/topic"}));

  s.press("p");
  s.state.push_input = "topic";
  s.state.set_status("before");
  s.press("<enter>");
  // The spinner shows the push; the message waits for its result.
  EXPECT_FALSE(s.state.entering_push_branch);
  EXPECT_EQ(s.state.push_input, "");
  EXPECT_TRUE(s.state.push_task);
  EXPECT_EQ(s.status(), "before");

  s.finish_push();
  EXPECT_EQ(s.status(), "pushed topic");
  const auto tip = s.repo.branches.find(repo::BranchName{"origin/topic"});
  ASSERT_NE(tip, s.repo.branches.end());
  EXPECT_EQ(tip->second.hex(), second);
  EXPECT_EQ(trimmed(fixture.work.git({"--git-dir", fixture.origin(), "rev-parse", "refs/heads/topic"})), second);
  EXPECT_EQ(trimmed(fixture.work.git({"config", "branch.topic.remote"})), "origin");

  // main has moved on elsewhere: the push is rejected. git's first line
  // names the remote; the reason is the line git marks with "!".
  fixture.push_from_elsewhere("theirs");
  s.press("p");
  s.state.push_input = "main";
  s.press("<enter>");
  s.finish_push();
  EXPECT_EQ(s.status(), "push failed: ! [rejected]        main -> main (fetch first)");
}

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

TEST(PushAndFetch, MissingCredentialsFailWithGitsMessage) {
  HermeticGit home;
  AuthWall wall;
  ASSERT_NE(wall.port(), 0);
  OriginRepo fixture;
  fixture.work.git({"remote", "set-url", "origin", wall.url()});
  LoopSession s(open_repo(fixture.work));
  const std::string why =
      "fatal: could not read Username for 'http://127.0.0.1:" + std::to_string(wall.port()) +
      "': terminal prompts disabled";

  s.press("p");
  ASSERT_EQ(s.state.push_input, "main");
  s.press("<enter>");
  s.finish_push();
  EXPECT_EQ(s.status(), "push failed: " + why);

  s.press("f");
  s.finish_fetch();
  EXPECT_EQ(s.status(), "fetch failed: " + why);
  EXPECT_GE(wall.requests(), 2);
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

// A stand-in git that records every run; "slow" waits for the test's word.
struct FakeGit {
  FakeGit() {
    programs.add("git",
                 "echo \"$@\" >> \"$LOG\"\n"
                 "case \"$4\" in\n"
                 "  slow) i=0; while [ ! -e \"$LOG.release\" ] && [ $i -lt 1500 ]; do sleep 0.02; i=$((i+1)); done\n"
                 "        echo done >> \"$LOG.slow\" ;;\n"
                 "  silent) exit 1 ;;\n"
                 "esac\n"
                 "exit 0");
  }
  void release() { std::ofstream(programs.log_path("git") + ".release").flush(); }
  FakePrograms programs{FakePrograms::BeforeSystem};
};

TEST(Push, RefusesTextGitWouldNotReadAsABranch) {
  HermeticGit home;
  OriginRepo fixture;
  LoopSession s(open_repo(fixture.work));
  FakeGit git;

  for (const std::string text : {"-f", "--force", "-d", "+main", ":main", "main:other", "refs/heads/*"}) {
    SCOPED_TRACE(text);
    s.press("p");
    s.state.push_input = text;
    s.press("<enter>");
    EXPECT_EQ(s.status(), "push failed: invalid name '" + text + "'");
    EXPECT_FALSE(s.state.entering_push_branch);
    EXPECT_FALSE(s.state.push_task);
  }
  EXPECT_FALSE(git.programs.ran("git"));

  for (const std::string text : {"main", "feature/x", "fix+1", "a-b"}) {
    SCOPED_TRACE(text);
    s.press("p");
    s.state.push_input = text;
    s.press("<enter>");
    s.finish_push();
    EXPECT_EQ(s.status(), "pushed " + text);
  }
  EXPECT_EQ(git.programs.log("git"),
            "push -u origin main\npush -u origin feature/x\npush -u origin fix+1\npush -u origin a-b\n");

  // A git that fails without a word.
  s.press("p");
  s.state.push_input = "silent";
  s.press("<enter>");
  s.finish_push();
  EXPECT_EQ(s.status(), "push failed: unknown error");
}

TEST(Push, ASecondPushForgetsTheFirst) {
  HermeticGit home;
  OriginRepo fixture;
  LoopSession s(open_repo(fixture.work));
  FakeGit git;

  s.press("p");
  s.state.push_input = "slow";
  s.press("<enter>");
  ASSERT_TRUE(s.state.push_task);
  // Opening the prompt again and cancelling it leaves the push alone.
  s.press("p<esc>");
  EXPECT_TRUE(s.state.push_task);

  // The test keeps the first push's receiver, to wait for its worker before the fixtures
  // change the environment that worker read; the task forgotten is a stand-in that never
  // reports.
  utils::Receiver<state::PushResult> first = std::move(s.state.push_task->receiver);
  auto [stand_in_sender, stand_in] = utils::make_channel<state::PushResult>();
  s.state.push_task->receiver = std::move(stand_in);

  s.press("p");
  s.state.push_input = "fast";
  s.press("<enter>");
  s.finish_push();
  EXPECT_EQ(s.status(), "pushed fast");

  git.release();
  const std::optional<state::PushResult> slow = first.recv();
  ASSERT_TRUE(slow);
  EXPECT_EQ(slow->message, "pushed slow");
  for (int i = 0; i < 10; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    app::run_pass(s.loop);
  }
  EXPECT_EQ(s.status(), "pushed fast");
  EXPECT_FALSE(s.state.push_task);
  EXPECT_FALSE(stand_in_sender.send(state::PushResult{"never shown", false}));
}

TEST(PushAndFetchDeathTest, AWorkerThatCannotStartEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const char* keys : {"f", "p<enter>"}) {
    SCOPED_TRACE(keys);
    HermeticGit home;
    OriginRepo fixture;
    LoopSession s(open_repo(fixture.work));
    EXPECT_EXIT(
        {
          // No thread can get a stack this size.
          pthread_attr_t attr;
          pthread_attr_init(&attr);
          pthread_attr_setstacksize(&attr, std::size_t{1} << 46);
          pthread_setattr_default_np(&attr);
          s.press(keys);
        },
        testing::ExitedWithCode(101), "^failed to spawn thread\n$");
  }
}

}  // namespace
