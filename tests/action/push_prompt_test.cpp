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
  EXPECT_EQ(trimmed(fixture.work.git({"--git-dir", fixture.origin(), "rev-parse", "refs/heads/topic"})),
            second);
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

// A stand-in git that records every run; "slow" waits for the test's word.
struct FakeGit {
  FakeGit() {
    programs.add(
        "git",
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

}  // namespace
