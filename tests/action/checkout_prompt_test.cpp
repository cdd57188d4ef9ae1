#include <gtest/gtest.h>

#include "remote_fixture.hpp"

namespace {

using app_testing::HermeticGit;
using app_testing::memory_log;
using testing_support::LoopSession;
using testing_support::open_repo;
using testing_support::Session;
using testing_support::TempRepo;
using testing_support::trimmed;

// first <- second <- third on main (HEAD); topic at second; only the
// remote-tracking origin/x at first. Rows: 0 third, 1 second, 2 first.
struct CheckoutRepo {
  CheckoutRepo() {
    first = t.write("f.txt", "a\n").commit("first");
    second = t.write("f.txt", "b\n").commit("second");
    t.git({"branch", "topic"});
    third = t.write("f.txt", "c\n").commit("third");
    t.git({"update-ref", "refs/remotes/origin/x", first});
  }
  std::string head() { return trimmed(t.git({"rev-parse", "HEAD"})); }
  // The branch HEAD is attached to, or "detached".
  std::string head_ref() {
    auto r = t.git_result({"symbolic-ref", "-q", "HEAD"});
    return r.success() ? trimmed(r.out) : "detached";
  }

  HermeticGit home;
  TempRepo t;
  std::string first, second, third;
};

TEST(Checkout, WithoutLocalBranchesAtOnceAndDetached) {
  CheckoutRepo fixture;
  LoopSession s(open_repo(fixture.t));
  s.state.selected = 2;
  s.state.count_prefix = "5";
  s.press("c");
  EXPECT_FALSE(s.state.checking_out);
  EXPECT_EQ(s.state.count_prefix, "");
  EXPECT_EQ(s.status(), "checked out " + fixture.first.substr(0, 7));
  EXPECT_EQ(fixture.head(), fixture.first);
  EXPECT_EQ(fixture.head_ref(), "detached");
  EXPECT_EQ(fixture.t.read("f.txt"), "a\n");
  // The model was reloaded: HEAD is the commit the log now marks.
  EXPECT_EQ(s.repo.head_sha().hex(), fixture.first);
}

// A commit made on a detached HEAD that no branch reaches is in the log,
// marked as HEAD, and the log's commands reach it.
TEST(Checkout, ACommitOnTheDetachedHeadIsListedAndReachable) {
  CheckoutRepo fixture;
  LoopSession s(open_repo(fixture.t));
  s.state.selected = 2;
  s.press("c");
  ASSERT_EQ(fixture.head_ref(), "detached");
  fixture.t.write("f.txt", "on first\n").git({"add", "f.txt"});
  fixture.t.git({"config", "user.name", "Detached Author"});
  fixture.t.git({"config", "user.email", "detached@example.com"});
  auto made = s.repo.commit("made detached");  // as the staging view's commit does
  ASSERT_TRUE(made) << made.error();
  s.repo.refresh();

  ASSERT_FALSE(s.repo.commits.empty());
  EXPECT_EQ(s.repo.commits.front().id, *made);
  EXPECT_EQ(s.repo.head_sha(), *made);
  s.state.selected = 3;
  s.press("h");
  EXPECT_EQ(s.state.selected, 0u);
  s.press("a");
  EXPECT_EQ(s.status(), "amending HEAD \u2014 edit staging, c to commit, esc to cancel");
  ASSERT_TRUE(s.state.commit_view);
  EXPECT_TRUE(s.state.commit_view->amending);
  s.press("<esc>");
  EXPECT_FALSE(s.state.commit_view);
  s.press("bkeep<enter>");
  EXPECT_EQ(s.status(), "created keep");
  EXPECT_EQ(trimmed(fixture.t.git({"rev-parse", "keep"})), made->hex());
}

TEST(Checkout, PromptOnACommitWithLocalBranches) {
  CheckoutRepo fixture;
  LoopSession s(open_repo(fixture.t));
  s.state.selected = 1;
  s.state.set_status("old");
  s.press("c");
  EXPECT_TRUE(s.state.checking_out);
  EXPECT_EQ(s.state.checkout_input, "");
  EXPECT_FALSE(s.state.status_message);
  EXPECT_EQ(fixture.head(), fixture.third);  // only the prompt opened

  // Empty: the commit itself, detached, although topic is there.
  s.press("<enter>");
  EXPECT_FALSE(s.state.checking_out);
  EXPECT_EQ(s.status(), "checked out " + fixture.second.substr(0, 7));
  EXPECT_EQ(fixture.head(), fixture.second);
  EXPECT_EQ(fixture.head_ref(), "detached");

  // A branch at the commit attaches HEAD to it.
  s.press("ctopic<enter>");
  EXPECT_FALSE(s.state.checking_out);
  EXPECT_EQ(s.state.checkout_input, "");
  EXPECT_EQ(s.status(), "checked out topic");
  EXPECT_EQ(fixture.head_ref(), "refs/heads/topic");

  // Names at another commit, or of no branch, check out nothing.
  for (const std::string name : {"main", "nope", "Topic"}) {
    SCOPED_TRACE(name);
    s.press("c");
    s.state.checkout_input = name;
    s.press("<enter>");
    EXPECT_FALSE(s.state.checking_out);
    EXPECT_EQ(s.status(), "no '" + name + "' branch");
    EXPECT_EQ(fixture.head_ref(), "refs/heads/topic");
  }
}

TEST(Checkout, RemoteTrackingNameAtTheCommitLeavesHead) {
  CheckoutRepo fixture;
  fixture.t.git({"update-ref", "refs/remotes/origin/y", fixture.second});
  LoopSession s(open_repo(fixture.t));
  s.state.selected = 1;
  s.press("c");
  s.state.checkout_input = "origin/y";
  s.press("<enter>");
  EXPECT_FALSE(s.state.checking_out);
  EXPECT_NE(s.status().find("origin/y"), std::string::npos) << s.status();
  EXPECT_NE(s.status(), "checked out origin/y");
  EXPECT_EQ(fixture.head(), fixture.third);
  EXPECT_EQ(fixture.head_ref(), "refs/heads/main");
  EXPECT_FALSE(std::filesystem::exists(fixture.t.file_path(".git/refs/heads/origin/y")));
}

TEST(Checkout, LocalChangesInTheWayRefuseAndStay) {
  CheckoutRepo fixture;
  fixture.t.write("f.txt", "mine\n").write("new.txt", "untracked\n");
  LoopSession s(open_repo(fixture.t));
  struct Case {
    const char* name;
    std::size_t row;
    const char* keys;
  };
  const Case cases[] = {
      {"at once", 2, "c"},
      {"prompt, detached", 1, "c<enter>"},
      {"prompt, branch", 1, "ctopic<enter>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    s.state.selected = c.row;
    s.state.status_message.reset();
    s.press(c.keys);
    EXPECT_FALSE(s.state.checking_out);
    ASSERT_TRUE(s.state.status_message);
    EXPECT_EQ(s.status().find("checked out"), std::string::npos) << s.status();
    EXPECT_NE(s.status().find("conflict"), std::string::npos) << s.status();
    EXPECT_EQ(fixture.head(), fixture.third);
    EXPECT_EQ(fixture.head_ref(), "refs/heads/main");
    EXPECT_EQ(fixture.t.read("f.txt"), "mine\n");
    EXPECT_EQ(fixture.t.read("new.txt"), "untracked\n");
  }
}

// Typing into the prompt: text_prompts_test.cpp.
TEST(CheckoutPrompt, TabCyclesAndClosingForgets) {
  CheckoutRepo fixture;
  fixture.t.git({"branch", "topical", fixture.second});
  LoopSession s(open_repo(fixture.t));
  s.state.selected = 1;
  s.press("c");
  EXPECT_TRUE(s.state.checking_out);

  // Tab completes and cycles among the local branches at the commit; Esc
  // forgets the cycle.
  s.state.checkout_input = "to";
  s.press("<tab>");
  EXPECT_EQ(s.state.checkout_input, "topic");
  s.press("<tab><tab>");
  EXPECT_EQ(s.state.checkout_input, "topical");
  EXPECT_TRUE(s.state.completion_prefix);
  s.press("<esc>");
  EXPECT_FALSE(s.state.checking_out);
  EXPECT_EQ(s.state.checkout_input, "");
  EXPECT_FALSE(s.state.completion_prefix);
  EXPECT_EQ(s.state.completion_index, 0u);

  // Backspace on an empty text closes without a word; Ctrl-c cancels.
  s.state.set_status("kept");
  s.press("c");
  s.state.set_status("kept");
  s.press("x<bs><bs>");
  EXPECT_FALSE(s.state.checking_out);
  EXPECT_EQ(s.status(), "kept");
  s.press("cab<C-c>");
  EXPECT_FALSE(s.state.checking_out);
  EXPECT_EQ(s.state.checkout_input, "");
  EXPECT_EQ(fixture.head(), fixture.third);
}

TEST(CheckoutPrompt, WithoutACommitNothingHappens) {
  Session s(memory_log(0));
  s.state.checking_out = true;
  s.state.checkout_input = "main";
  s.press("<enter><tab>");
  EXPECT_TRUE(s.state.checking_out);
  EXPECT_EQ(s.state.checkout_input, "main");
  EXPECT_FALSE(s.state.status_message);
  s.press("<esc>");
  EXPECT_FALSE(s.state.checking_out);

  // c on an empty log: no prompt, no message.
  s.press("c");
  EXPECT_FALSE(s.state.checking_out);
  EXPECT_FALSE(s.state.status_message);
}

}  // namespace
