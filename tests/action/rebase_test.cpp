// Rebasing from the log: the branch choice, the target prompt, the git run,
// the conflict view a stop opens, continuing and aborting, checked against
// what real git leaves in the repository.

#include "action/rebase.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "action/commit_view_lists.hpp"
#include "log_fixture.hpp"
#include "support/env_guard.hpp"
#include "support/fake_programs.hpp"
#include "support/frames.hpp"
#include "support/program_git.hpp"
#include "support/screen.hpp"

namespace {

using app_testing::memory_log;
using testing_support::EnvGuard;
using testing_support::FakePrograms;
using testing_support::open_repo;
using testing_support::RecordedGit;
using testing_support::row_of;
using testing_support::Session;
using testing_support::TempRepo;

// Frames drawn at 100 x 30.
constexpr tui::Size kScreen{100, 30};

bool in_any_rebase_step(const state::State& s) {
  return s.selecting_rebase_branch || s.entering_rebase_target || s.rebase_in_progress;
}

// The row of the screen that follows the first row holding the text.
std::string row_after(const std::string& text, const std::string& marker) {
  const std::size_t at = text.find(marker);
  if (at == std::string::npos) return "(no " + marker + ")";
  const std::size_t start = text.find('\n', at) + 1;
  return text.substr(start, text.find('\n', start) - start);
}

// f.txt holds a, b, c and g.txt x, y, z at "base". On topic, "t1" changes
// b and (when asked for) "t2" changes y; "m1" on main changes both, so each
// topic commit stops: t1 on f.txt, t2 on g.txt. HEAD on main.
struct ConflictRepo {
  explicit ConflictRepo(int topic_commits = 2) {
    base = temp.write("f.txt", "a\nb\nc\n").write("g.txt", "x\ny\nz\n").commit("base");
    temp.git({"checkout", "-q", "-b", "topic"});
    topic_tip = temp.write("f.txt", "a\nTOPIC1\nc\n").commit("t1");
    if (topic_commits > 1) topic_tip = temp.write("g.txt", "x\nTOPIC2\nz\n").commit("t2");
    temp.git({"checkout", "-q", "main"});
    main_tip = temp.write("f.txt", "a\nMAIN\nc\n").write("g.txt", "x\nMAIN\nz\n").commit("m1");
  }
  bool rebase_stopped() const { return std::filesystem::exists(temp.path() + "/.git/rebase-merge"); }

  TempRepo temp;
  std::string base, topic_tip, main_tip;
};

// The program's own git runs (a rebase makes commits) get an identity and
// none of the configuration of the user running the tests.
class Rebase : public testing::Test {
 protected:
  // r on topic's tip, the target typed and Enter.
  static void rebase_topic_onto(Session& s, const std::string& topic_tip, const std::string& target) {
    s.state.selected = row_of(s.repo, topic_tip);
    s.press("r");
    ASSERT_TRUE(s.state.entering_rebase_target);
    ASSERT_EQ(s.state.rebase_branch, "topic");
    s.press(target + "<enter>");
  }

 private:
  testing_support::ProgramGitEnv env_{"no-such-editor"};
};

// ---- Entering ----

TEST_F(Rebase, RStartsAtTheLocalBranchesOfTheCommit) {
  ConflictRepo fixture;
  fixture.temp.git({"update-ref", "refs/remotes/origin/main", fixture.base});
  fixture.temp.git({"branch", "other", fixture.main_tip});
  Session s(open_repo(fixture.temp));

  // Only a remote-tracking branch here.
  s.state.selected = row_of(s.repo, fixture.base);
  s.state.count_prefix = "2";
  s.press("r");
  EXPECT_EQ(s.status(), "no local branch to rebase");
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_EQ(s.state.count_prefix, "");

  // One branch: straight to the target prompt.
  s.state.completion_prefix = "stale";
  s.state.completion_index = 4;
  s.state.rebase_onto_input = "stale";
  s.state.selected = row_of(s.repo, fixture.topic_tip);
  s.press("r");
  EXPECT_TRUE(s.state.entering_rebase_target);
  EXPECT_FALSE(s.state.selecting_rebase_branch);
  EXPECT_EQ(s.state.rebase_branch, "topic");
  EXPECT_EQ(s.state.rebase_onto_input, "");
  EXPECT_FALSE(s.state.completion_prefix);
  EXPECT_EQ(s.state.completion_index, 0u);
  EXPECT_FALSE(s.state.status_message);
  s.press("<esc>");
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_EQ(s.state.rebase_branch, "");

  // Two: the choice opens on the first listed; Tab cycles, other keys do
  // nothing.
  s.state.selected = row_of(s.repo, fixture.main_tip);
  const auto listed = s.repo.local_branches_at(s.repo.commits[s.state.selected].id);
  ASSERT_EQ(listed.size(), 2u);
  s.press("r");
  EXPECT_TRUE(s.state.selecting_rebase_branch);
  EXPECT_FALSE(s.state.entering_rebase_target);
  EXPECT_EQ(s.state.rebase_branch, listed[0]);
  EXPECT_FALSE(s.state.status_message);
  s.press("<tab>");
  EXPECT_EQ(s.state.rebase_branch, listed[1]);
  s.press("<tab>");
  EXPECT_EQ(s.state.rebase_branch, listed[0]);
  s.press("jkqg1");
  EXPECT_TRUE(s.state.selecting_rebase_branch);
  EXPECT_EQ(s.state.selected, row_of(s.repo, fixture.main_tip));
  EXPECT_EQ(s.state.rebase_branch, listed[0]);
  // A chosen name no longer listed gives the second.
  s.state.rebase_branch = "gone";
  s.press("<tab>");
  EXPECT_EQ(s.state.rebase_branch, listed[1]);

  s.state.completion_prefix = "x";
  s.state.rebase_onto_input = "stale";
  s.press("<enter>");
  EXPECT_FALSE(s.state.selecting_rebase_branch);
  EXPECT_TRUE(s.state.entering_rebase_target);
  EXPECT_EQ(s.state.rebase_branch, listed[1]);
  EXPECT_EQ(s.state.rebase_onto_input, "");
  EXPECT_FALSE(s.state.completion_prefix);
  s.press("<C-c>");
  EXPECT_FALSE(in_any_rebase_step(s.state));

  for (const std::string key : {"<esc>", "<C-c>"}) {
    s.press("r");
    ASSERT_TRUE(s.state.selecting_rebase_branch);
    s.state.completion_prefix = "x";
    s.press(key);
    EXPECT_FALSE(in_any_rebase_step(s.state));
    EXPECT_EQ(s.state.rebase_branch, "");
    EXPECT_FALSE(s.state.completion_prefix);
    EXPECT_FALSE(s.state.status_message);
  }
}

TEST_F(Rebase, NothingToRebaseWithoutACommit) {
  Session s(memory_log(0));
  const RecordedGit git{RecordedGit::ArgumentsAndEditor};
  s.press("r");
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_FALSE(s.state.status_message);

  // A choice left open over a log that emptied: Tab finds nothing, Esc and
  // Enter still act.
  s.state.selecting_rebase_branch = true;
  s.state.rebase_branch = "main";
  s.press("<tab>");
  EXPECT_EQ(s.state.rebase_branch, "main");
  s.press("<esc>");
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_EQ(git.calls(), "");
}

// ---- The target prompt ----

// Typing into the prompt: text_prompts_test.cpp.
TEST_F(Rebase, TargetPromptCompletesOverEveryBranch) {
  ConflictRepo fixture;
  fixture.temp.git({"update-ref", "refs/remotes/origin/main", fixture.base});
  Session s(open_repo(fixture.temp));
  const RecordedGit git{RecordedGit::ArgumentsAndEditor};
  s.state.selected = row_of(s.repo, fixture.topic_tip);
  s.press("r");
  EXPECT_TRUE(s.state.entering_rebase_target);

  // Local and remote-tracking names, cycled in sorted order.
  const std::pair<const char*, const char*> steps[] = {
      {"<tab>", "main"}, {"<tab>", "origin/main"}, {"<tab>", "topic"}, {"<tab>", "main"}};
  for (const auto& [key, want] : steps) {
    s.press(key);
    EXPECT_EQ(s.state.rebase_onto_input, want);
  }
  EXPECT_TRUE(s.state.completion_prefix);
  // Typing ends the cycle: the next Tab filters by the new text.
  s.press("<bs><bs><bs><bs>o");
  EXPECT_FALSE(s.state.completion_prefix);
  EXPECT_EQ(s.state.completion_index, 0u);
  s.press("<tab>");
  EXPECT_EQ(s.state.rebase_onto_input, "origin/main");

  // Backspace down to nothing, then once more: closed, nothing chosen.
  s.state.completion_prefix = "o";
  s.press("<bs>");
  EXPECT_FALSE(s.state.completion_prefix);
  while (!s.state.rebase_onto_input.empty()) s.press("<bs>");
  EXPECT_TRUE(s.state.entering_rebase_target);
  s.press("<bs>");
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_EQ(s.state.rebase_branch, "");
  EXPECT_FALSE(s.state.status_message);

  // Enter on an empty text, Esc and Ctrl-c on a typed one: closed, no git.
  for (const std::string keys : {"<enter>", "main<esc>", "main<C-c>"}) {
    SCOPED_TRACE(keys);
    s.press("r");
    s.state.completion_prefix = "m";
    s.press(keys);
    EXPECT_FALSE(in_any_rebase_step(s.state));
    EXPECT_EQ(s.state.rebase_branch, "");
    EXPECT_EQ(s.state.rebase_onto_input, "");
    EXPECT_FALSE(s.state.completion_prefix);
    EXPECT_FALSE(s.state.status_message);
  }
  EXPECT_EQ(git.calls(), "");
  EXPECT_EQ(fixture.temp.rev_parse("topic"), fixture.topic_tip);
}

// ---- A rebase git finishes at once ----

TEST_F(Rebase, CleanRebaseSelectsTheBranchsNewTip) {
  TempRepo temp;
  temp.write("f.txt", "1\n").commit("base");
  temp.git({"checkout", "-q", "-b", "topic"});
  const std::string old_tip = temp.write("t.txt", "t\n").commit("topic work");
  temp.git({"checkout", "-q", "main"});
  temp.write("m.txt", "m\n").commit("main work");
  Session s(open_repo(temp));
  temp.git({"branch", "outside"});  // shows whether the model was reloaded
  const RecordedGit git{RecordedGit::ArgumentsAndEditor};

  s.state.selected = row_of(s.repo, old_tip);
  s.press("rmain<enter>");
  EXPECT_EQ(s.status(), "rebased topic onto main");
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_EQ(s.state.rebase_branch, "");
  EXPECT_EQ(s.state.rebase_onto_input, "");
  EXPECT_FALSE(s.state.commit_view);
  EXPECT_EQ(git.calls(), "rebase main topic [no-such-editor]\n");

  const std::string new_tip = temp.rev_parse("topic");
  EXPECT_NE(new_tip, old_tip);
  EXPECT_TRUE(temp.git_result({"merge-base", "--is-ancestor", "main", "topic"}).success());
  ASSERT_LT(s.state.selected, s.repo.commits.size());
  EXPECT_EQ(s.repo.commits[s.state.selected].id.hex(), new_tip);
  EXPECT_TRUE(s.repo.branches.contains(repo::BranchName{"outside"}));
}

TEST_F(Rebase, TargetMayBeACommitIdOrRemoteBranch) {
  TempRepo temp;
  const std::string base = temp.write("f.txt", "1\n").commit("base");
  const std::string second = temp.write("g.txt", "2\n").commit("second");
  temp.git({"update-ref", "refs/remotes/origin/main", second});
  temp.git({"checkout", "-q", "-b", "topic", base});
  const std::string tip = temp.write("t.txt", "t\n").commit("topic work");
  Session s(open_repo(temp));

  s.state.selected = row_of(s.repo, tip);
  s.press("rorigin/main<enter>");
  EXPECT_EQ(s.status(), "rebased topic onto origin/main");
  EXPECT_EQ(temp.rev_parse("topic^"), second);

  temp.git({"reset", "-q", "--hard", tip});
  s.repo.refresh();
  s.state.selected = row_of(s.repo, tip);
  s.press("r");
  s.press(second.substr(0, 10) + "<enter>");
  EXPECT_EQ(s.status(), "rebased topic onto " + second.substr(0, 10));
  EXPECT_EQ(temp.rev_parse("topic^"), second);
  EXPECT_EQ(s.repo.commits[s.state.selected].id.hex(), temp.rev_parse("topic"));
}

// git writes its progress, then the reason, on the same first line.
// git stops part-way ("Could not apply t2") with the rebase in progress: the
// view opens on what is in the way, and the untracked file is kept.
TEST_F(Rebase, AnUntrackedFileInTheWayStopsInTheView) {
  TempRepo temp;
  temp.write("f.txt", "1\n").commit("base");
  temp.git({"checkout", "-q", "-b", "topic"});
  temp.write("t1.txt", "1\n").commit("t1");
  const std::string tip = temp.write("t2.txt", "2\n").commit("t2");
  temp.git({"checkout", "-q", "main"});
  temp.write("m.txt", "m\n").commit("m1");
  temp.write("t2.txt", "mine\n");
  Session s(open_repo(temp));

  rebase_topic_onto(s, tip, "main");
  ASSERT_TRUE(std::filesystem::exists(temp.path() + "/.git/rebase-merge"));
  EXPECT_EQ(s.status(), "conflicts - use 1/2 to select side, S to stage when resolved");
  EXPECT_TRUE(s.state.rebase_in_progress);
  EXPECT_EQ(s.state.rebase_branch, "topic");
  ASSERT_TRUE(s.state.commit_view);
  EXPECT_EQ(s.state.commit_view->selected_path, "t2.txt");
  EXPECT_EQ(temp.read("t2.txt"), "mine\n");
}

TEST_F(Rebase, DirtyWorkTreeFailsWithGitsFirstLine) {
  ConflictRepo fixture;
  Session s(open_repo(fixture.temp));
  fixture.temp.write("f.txt", "dirty\n");
  fixture.temp.git({"branch", "outside"});

  rebase_topic_onto(s, fixture.topic_tip, "main");
  EXPECT_EQ(s.status(), "rebase failed: error: cannot rebase: You have unstaged changes.");
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_EQ(s.state.rebase_branch, "");
  EXPECT_EQ(s.state.rebase_onto_input, "");
  EXPECT_FALSE(s.state.commit_view);
  EXPECT_EQ(fixture.temp.rev_parse("topic"), fixture.topic_tip);
  EXPECT_EQ(fixture.temp.read("f.txt"), "dirty\n");
  EXPECT_FALSE(s.repo.branches.contains(repo::BranchName{"outside"}));
}

TEST_F(Rebase, OptionLikeNamesAreRefusedBeforeGit) {
  // "-x" is --exec: git would run the branch name as a shell command.
  for (const std::string target : {"-x", "--exec=touch pwned", "-"}) {
    SCOPED_TRACE(target);
    ConflictRepo fixture;
    Session s(open_repo(fixture.temp));
    const RecordedGit git{RecordedGit::ArgumentsAndEditor};
    rebase_topic_onto(s, fixture.topic_tip, target);
    EXPECT_EQ(s.status(), "rebase failed: invalid name '" + target + "'");
    EXPECT_FALSE(in_any_rebase_step(s.state));
    EXPECT_EQ(s.state.rebase_branch, "");
    EXPECT_EQ(s.state.rebase_onto_input, "");
    EXPECT_EQ(git.calls(), "");
    EXPECT_FALSE(std::filesystem::exists(fixture.temp.path() + "/pwned"));
    EXPECT_EQ(fixture.temp.rev_parse("topic"), fixture.topic_tip);
  }

  // A local branch made by update-ref with such a name, as the branch.
  ConflictRepo fixture;
  fixture.temp.git({"update-ref", "refs/heads/-x", fixture.topic_tip});
  Session s(open_repo(fixture.temp));
  const RecordedGit git{RecordedGit::ArgumentsAndEditor};
  s.state.selected = row_of(s.repo, fixture.topic_tip);
  s.press("r");
  ASSERT_TRUE(s.state.selecting_rebase_branch);
  while (s.state.rebase_branch != "-x") s.press("<tab>");
  s.press("<enter>main<enter>");
  EXPECT_EQ(s.status(), "rebase failed: invalid name '-x'");
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_EQ(s.state.rebase_branch, "");
  EXPECT_EQ(git.calls(), "");
  EXPECT_EQ(fixture.temp.rev_parse("refs/heads/-x"), fixture.topic_tip);
  EXPECT_EQ(fixture.temp.rev_parse("topic"), fixture.topic_tip);
}

// ---- Stopping on conflicts in the view ----

TEST_F(Rebase, ConflictStopsResolveStageAndContinueToTheEnd) {
  ConflictRepo fixture;
  Session s(open_repo(fixture.temp));
  s.state.selected = row_of(s.repo, fixture.topic_tip);
  s.press("l");  // the details panel, which the conflict view closes
  ASSERT_TRUE(s.state.commit_details);
  const RecordedGit git{RecordedGit::ArgumentsAndEditor};

  s.press("rmain<enter>");
  ASSERT_TRUE(fixture.rebase_stopped());
  EXPECT_EQ(s.status(), "conflicts - use 1/2 to select side, S to stage when resolved");
  EXPECT_TRUE(s.state.rebase_in_progress);
  EXPECT_FALSE(s.state.entering_rebase_target);
  EXPECT_EQ(s.state.rebase_branch, "topic");
  EXPECT_EQ(s.state.rebase_onto_input, "main");
  EXPECT_FALSE(s.state.commit_details);
  ASSERT_TRUE(s.state.commit_view);
  ASSERT_EQ(s.state.commit_view->unstaged.size(), 1u);
  EXPECT_EQ(s.state.commit_view->unstaged[0].kind, repo::ChangeKind::Conflicted);
  EXPECT_EQ(s.state.commit_view->selected_path, "f.txt");
  EXPECT_FALSE(s.state.commit_view->staged_focus);
  EXPECT_FALSE(s.state.commit_view->amending);
  // The log shows where the rebase stopped: HEAD detached on main's tip.
  EXPECT_EQ(s.repo.head_sha().hex(), fixture.main_tip);

  // Side 1 is the target's version, side 2 the replayed commit's.
  const repo::ConflictContext context = s.repo.detect_conflict_context();
  EXPECT_EQ(context.kind, repo::ConflictKind::Rebase);
  EXPECT_EQ(context.ours_label, "main");
  EXPECT_EQ(context.theirs_label, "topic");
  const std::string shown = s.screen(kScreen);
  EXPECT_NE(row_after(shown, "rebasing onto (main)").find("MAIN"), std::string::npos) << shown;
  EXPECT_NE(row_after(shown, "rebasing (topic)").find("TOPIC1"), std::string::npos) << shown;

  // Continuing needs everything staged.
  s.press("2");
  EXPECT_EQ(fixture.temp.read("f.txt"), "a\nTOPIC1\nc\n");
  EXPECT_EQ(s.state.commit_view->resolved_sections.at("f.txt"), 1u);
  s.press("c");
  EXPECT_EQ(s.status(), "stage all changes before continuing rebase");
  s.press("S");
  ASSERT_TRUE(s.state.commit_view);
  EXPECT_TRUE(s.state.commit_view->unstaged.empty());

  // The next commit stops too: a fresh view, nothing counted as resolved.
  s.press("c");
  ASSERT_TRUE(fixture.rebase_stopped());
  EXPECT_EQ(s.status(), "conflicts - use 1/2 to select side, S to stage when resolved");
  ASSERT_TRUE(s.state.commit_view);
  EXPECT_TRUE(s.state.commit_view->resolved_sections.empty());
  ASSERT_EQ(s.state.commit_view->unstaged.size(), 1u);
  EXPECT_EQ(s.state.commit_view->selected_path, "g.txt");
  EXPECT_TRUE(s.state.rebase_in_progress);
  EXPECT_EQ(s.state.rebase_branch, "topic");
  EXPECT_NE(row_after(s.screen(kScreen), "rebasing (topic)").find("TOPIC2"), std::string::npos);

  s.press("2S");
  s.press("c");
  EXPECT_EQ(s.status(), "rebase complete");
  // Only the continues get an editor, and it is never the user's.
  EXPECT_EQ(git.calls(),
            "rebase main topic [no-such-editor]\nrebase --continue [true]\nrebase --continue [true]\n");
  EXPECT_FALSE(fixture.rebase_stopped());
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_FALSE(s.state.commit_view);
  EXPECT_EQ(s.state.rebase_branch, "");
  EXPECT_EQ(s.state.rebase_onto_input, "");

  const std::string new_tip = fixture.temp.rev_parse("topic");
  EXPECT_EQ(fixture.temp.read("f.txt"), "a\nTOPIC1\nc\n");
  EXPECT_EQ(fixture.temp.read("g.txt"), "x\nTOPIC2\nz\n");
  EXPECT_EQ(fixture.temp.git({"log", "--format=%s", "topic"}), "t2\nt1\nm1\nbase\n");
  EXPECT_EQ(fixture.temp.git({"status", "--porcelain"}), "");
  EXPECT_TRUE(fixture.temp.git_result({"merge-base", "--is-ancestor", "main", "topic"}).success());
  ASSERT_LT(s.state.selected, s.repo.commits.size());
  EXPECT_EQ(s.repo.commits[s.state.selected].id.hex(), new_tip);
}

// Opened through its .git directory, the repository's work tree is where
// the rebase, its continues and its abort run.
TEST_F(Rebase, RunsInTheWorkTreeWhenOpenedThroughTheGitDirectory) {
  ConflictRepo fixture;
  Session s(open_repo(fixture.temp.path() + "/.git"));

  rebase_topic_onto(s, fixture.topic_tip, "main");
  ASSERT_TRUE(fixture.rebase_stopped());
  ASSERT_TRUE(s.state.commit_view);
  s.press("<esc>");
  EXPECT_EQ(s.status(), "rebase aborted");
  EXPECT_FALSE(fixture.rebase_stopped());
  EXPECT_EQ(fixture.temp.rev_parse("topic"), fixture.topic_tip);

  rebase_topic_onto(s, fixture.topic_tip, "main");
  s.press("2Sc");
  ASSERT_TRUE(fixture.rebase_stopped());
  s.press("2Sc");
  EXPECT_EQ(s.status(), "rebase complete");
  EXPECT_FALSE(fixture.rebase_stopped());
  EXPECT_EQ(fixture.temp.git({"log", "--format=%s", "topic"}), "t2\nt1\nm1\nbase\n");
  EXPECT_EQ(fixture.temp.git({"status", "--porcelain"}), "");
}

TEST_F(Rebase, ClosingTheConflictViewAborts) {
  for (const std::string key : {"<esc>", "<C-c>", "q", "<tab>"}) {
    SCOPED_TRACE(key);
    ConflictRepo fixture;
    Session s(open_repo(fixture.temp));
    rebase_topic_onto(s, fixture.topic_tip, "main");
    ASSERT_TRUE(s.state.commit_view);
    s.press("1");

    EXPECT_FALSE(s.press(key));
    EXPECT_EQ(s.status(), "rebase aborted");
    EXPECT_FALSE(s.state.commit_view);
    EXPECT_FALSE(in_any_rebase_step(s.state));
    EXPECT_EQ(s.state.rebase_branch, "");
    EXPECT_EQ(s.state.rebase_onto_input, "");
    EXPECT_FALSE(fixture.rebase_stopped());
    EXPECT_EQ(fixture.temp.rev_parse("topic"), fixture.topic_tip);
    EXPECT_EQ(fixture.temp.rev_parse("main"), fixture.main_tip);
    // git left main to rebase topic; the abort goes back to topic.
    EXPECT_EQ(fixture.temp.git({"symbolic-ref", "HEAD"}), "refs/heads/topic\n");
    EXPECT_EQ(fixture.temp.read("f.txt"), "a\nTOPIC1\nc\n");
    EXPECT_EQ(fixture.temp.git({"status", "--porcelain"}), "");
    EXPECT_EQ(s.repo.head_sha().hex(), fixture.topic_tip);
  }
}

TEST_F(Rebase, UntrackedFileRefusesTheContinue) {
  ConflictRepo fixture(1);
  Session s(open_repo(fixture.temp));
  rebase_topic_onto(s, fixture.topic_tip, "main");
  ASSERT_TRUE(s.state.commit_view);
  fixture.temp.write("notes.txt", "mine\n");
  s.press("2S");
  ASSERT_TRUE(s.state.commit_view);
  ASSERT_EQ(s.state.commit_view->unstaged.size(), 1u);
  EXPECT_EQ(s.state.commit_view->unstaged[0].path, "notes.txt");

  s.press("c");
  EXPECT_EQ(s.status(), "stage all changes before continuing rebase");
  EXPECT_TRUE(fixture.rebase_stopped());
  EXPECT_TRUE(s.state.rebase_in_progress);
  EXPECT_EQ(fixture.temp.read("notes.txt"), "mine\n");
}

// ---- Stopped without the view ----

TEST_F(Rebase, StoppedWithoutTheViewOnlyEnterAndEscAct) {
  ConflictRepo fixture(1);
  Session s(open_repo(fixture.temp));
  rebase_topic_onto(s, fixture.topic_tip, "main");
  // Taking the target's side everywhere and staging empties both lists,
  // which closes the view; the rebase stays stopped.
  s.press("1S");
  ASSERT_FALSE(s.state.commit_view);
  EXPECT_EQ(s.status(), "all changes staged/unstaged");
  ASSERT_TRUE(s.state.rebase_in_progress);
  ASSERT_TRUE(fixture.rebase_stopped());
  s.state.status_message.reset();  // it would cover the notice's end
  EXPECT_NE(s.screen(kScreen).find(
                "rebase in progress - resolve conflicts, then Enter to continue or Esc to abort"),
            std::string::npos);

  const std::size_t selected = s.state.selected;
  s.state.set_status("before");
  EXPECT_FALSE(s.press("jkqgGrRmbdp/l<tab>12"));
  EXPECT_EQ(s.status(), "before");
  EXPECT_EQ(s.state.selected, selected);
  EXPECT_TRUE(s.state.rebase_in_progress);
  EXPECT_FALSE(s.state.commit_view);
  EXPECT_FALSE(s.state.commit_details);
  EXPECT_FALSE(s.state.searching);
  EXPECT_TRUE(fixture.rebase_stopped());

  // The emptied commit is dropped and the rebase ends.
  s.press("<enter>");
  EXPECT_EQ(s.status(), "rebase complete");
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_EQ(s.state.rebase_branch, "");
  EXPECT_EQ(s.state.rebase_onto_input, "");
  EXPECT_EQ(s.state.selected, selected);
  EXPECT_FALSE(fixture.rebase_stopped());
  EXPECT_EQ(fixture.temp.rev_parse("topic"), fixture.main_tip);
  EXPECT_EQ(s.repo.branches.at(repo::BranchName{"topic"}).hex(), fixture.main_tip);
}

TEST_F(Rebase, StoppedWithoutTheViewEscAborts) {
  for (const std::string key : {"<esc>", "<C-c>"}) {
    SCOPED_TRACE(key);
    ConflictRepo fixture;
    Session s(open_repo(fixture.temp));
    rebase_topic_onto(s, fixture.topic_tip, "main");
    s.press("1S");
    ASSERT_FALSE(s.state.commit_view);
    ASSERT_TRUE(s.state.rebase_in_progress);
    EXPECT_EQ(s.state.rebase_branch, "topic");

    EXPECT_FALSE(s.press(key));
    EXPECT_EQ(s.status(), "rebase aborted");
    EXPECT_FALSE(in_any_rebase_step(s.state));
    EXPECT_EQ(s.state.rebase_branch, "");
    EXPECT_EQ(s.state.rebase_onto_input, "");
    EXPECT_FALSE(fixture.rebase_stopped());
    EXPECT_EQ(fixture.temp.rev_parse("topic"), fixture.topic_tip);
    EXPECT_EQ(s.repo.head_sha().hex(), fixture.topic_tip);
  }
}

TEST_F(Rebase, ContinueWithoutTheViewOpensTheNextStopsConflicts) {
  ConflictRepo fixture;
  Session s(open_repo(fixture.temp));
  const RecordedGit git{RecordedGit::ArgumentsAndEditor};
  rebase_topic_onto(s, fixture.topic_tip, "main");
  // main's side of t1, staged: nothing left to show, the view closes.
  s.press("1S");
  ASSERT_FALSE(s.state.commit_view);
  ASSERT_TRUE(s.state.rebase_in_progress);

  // t1 is left empty and dropped; t2 stops on g.txt, shown as the first
  // stop was, the branch still chosen for the final jump.
  s.press("<enter>");
  ASSERT_TRUE(fixture.rebase_stopped());
  EXPECT_EQ(s.status(), "conflicts - use 1/2 to select side, S to stage when resolved");
  EXPECT_TRUE(s.state.rebase_in_progress);
  EXPECT_EQ(s.state.rebase_branch, "topic");
  EXPECT_EQ(s.state.rebase_onto_input, "main");
  ASSERT_TRUE(s.state.commit_view);
  ASSERT_EQ(s.state.commit_view->unstaged.size(), 1u);
  EXPECT_EQ(s.state.commit_view->unstaged[0].kind, repo::ChangeKind::Conflicted);
  EXPECT_EQ(s.state.commit_view->selected_path, "g.txt");
  EXPECT_TRUE(s.state.commit_view->resolved_sections.empty());
  EXPECT_NE(row_after(s.screen(kScreen), "rebasing (topic)").find("TOPIC2"), std::string::npos)
      << s.screen(kScreen);

  s.press("2S");
  s.press("c");
  EXPECT_EQ(s.status(), "rebase complete");
  EXPECT_EQ(git.calls(),
            "rebase main topic [no-such-editor]\nrebase --continue [true]\nrebase --continue [true]\n");
  EXPECT_FALSE(fixture.rebase_stopped());
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_FALSE(s.state.commit_view);
  EXPECT_EQ(fixture.temp.git({"log", "--format=%s", "topic"}), "t2\nm1\nbase\n");
  EXPECT_EQ(fixture.temp.git({"symbolic-ref", "HEAD"}), "refs/heads/topic\n");
  EXPECT_EQ(fixture.temp.read("f.txt"), "a\nMAIN\nc\n");
  EXPECT_EQ(fixture.temp.read("g.txt"), "x\nTOPIC2\nz\n");
  EXPECT_EQ(fixture.temp.git({"status", "--porcelain"}), "");
  ASSERT_LT(s.state.selected, s.repo.commits.size());
  EXPECT_EQ(s.repo.commits[s.state.selected].id.hex(), fixture.temp.rev_parse("topic"));
}

TEST_F(Rebase, ContinueRefusedForUnmergedFilesShowsThemAgain) {
  ConflictRepo fixture;
  Session s(open_repo(fixture.temp));
  rebase_topic_onto(s, fixture.topic_tip, "main");
  ASSERT_TRUE(s.state.commit_view);
  // Stopped without the view (its status could not be read, say), f.txt
  // still unmerged: git refuses without a word of conflict.
  s.state.commit_view.reset();
  s.press("<enter>");
  ASSERT_TRUE(fixture.rebase_stopped());
  EXPECT_EQ(s.status(), "conflicts - use 1/2 to select side, S to stage when resolved");
  ASSERT_TRUE(s.state.commit_view);
  EXPECT_EQ(s.state.commit_view->selected_path, "f.txt");
  EXPECT_TRUE(s.state.rebase_in_progress);
  EXPECT_EQ(s.state.rebase_branch, "topic");
}

// The apply backend writes its conflict report to standard output and
// "error: Failed to merge in the changes." to standard error.
TEST_F(Rebase, ApplyBackendStopsInTheConflictView) {
  ConflictRepo fixture;
  const std::string config = fixture.temp.path() + "/../apply.gitconfig";
  testing_support::write_file(config, "[rebase]\n\tbackend = apply\n");
  const EnvGuard user_config{{"GIT_CONFIG_GLOBAL", config}};
  Session s(open_repo(fixture.temp));

  rebase_topic_onto(s, fixture.topic_tip, "main");
  ASSERT_TRUE(std::filesystem::exists(fixture.temp.path() + "/.git/rebase-apply"));
  EXPECT_EQ(s.status(), "conflicts - use 1/2 to select side, S to stage when resolved");
  EXPECT_TRUE(s.state.rebase_in_progress);
  EXPECT_EQ(s.state.rebase_branch, "topic");
  ASSERT_TRUE(s.state.commit_view);
  EXPECT_EQ(s.state.commit_view->selected_path, "f.txt");

  // The next stop too, and to the end.
  s.press("2S");
  s.press("c");
  EXPECT_EQ(s.status(), "conflicts - use 1/2 to select side, S to stage when resolved");
  ASSERT_TRUE(s.state.commit_view);
  EXPECT_EQ(s.state.commit_view->selected_path, "g.txt");
  EXPECT_TRUE(s.state.commit_view->resolved_sections.empty());
  s.press("2S");
  s.press("c");
  EXPECT_EQ(s.status(), "rebase complete");
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_FALSE(std::filesystem::exists(fixture.temp.path() + "/.git/rebase-apply"));
  EXPECT_EQ(fixture.temp.git({"log", "--format=%s", "topic"}), "t2\nt1\nm1\nbase\n");
  EXPECT_EQ(fixture.temp.read("f.txt"), "a\nTOPIC1\nc\n");
  EXPECT_EQ(fixture.temp.read("g.txt"), "x\nTOPIC2\nz\n");
  EXPECT_EQ(s.repo.commits[s.state.selected].id.hex(), fixture.temp.rev_parse("topic"));

  // Esc in the view aborts back to where topic was.
  fixture.temp.git({"reset", "-q", "--hard", fixture.topic_tip});
  s.repo.refresh();
  rebase_topic_onto(s, fixture.topic_tip, "main");
  ASSERT_TRUE(s.state.commit_view);
  s.press("<esc>");
  EXPECT_EQ(s.status(), "rebase aborted");
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_FALSE(std::filesystem::exists(fixture.temp.path() + "/.git/rebase-apply"));
  EXPECT_EQ(fixture.temp.rev_parse("topic"), fixture.topic_tip);
  EXPECT_EQ(fixture.temp.git({"symbolic-ref", "HEAD"}), "refs/heads/topic\n");

  // main's side staged leaves this backend nothing to commit: it stays on
  // the commit (git rebase --skip goes on), and with nothing to show the
  // stopped mode stays too.
  rebase_topic_onto(s, fixture.topic_tip, "main");
  s.press("1S");
  ASSERT_FALSE(s.state.commit_view);
  s.press("<enter>");
  EXPECT_EQ(s.status(), "conflicts remain - resolve and press Enter");
  EXPECT_FALSE(s.state.commit_view);
  EXPECT_TRUE(s.state.rebase_in_progress);
  EXPECT_TRUE(std::filesystem::exists(fixture.temp.path() + "/.git/rebase-apply"));
  s.press("<esc>");
  EXPECT_EQ(s.status(), "rebase aborted");
  EXPECT_FALSE(std::filesystem::exists(fixture.temp.path() + "/.git/rebase-apply"));
  EXPECT_EQ(fixture.temp.rev_parse("topic"), fixture.topic_tip);
}

// git am keeps its state where the apply backend does; git rebase refuses
// to start, continue or abort over it, so no rebase is shown as stopped.
TEST_F(Rebase, AStoppedAmIsNoRebase) {
  ConflictRepo fixture;
  fixture.temp.git({"checkout", "-q", "main"});
  const std::string patch = fixture.temp.git({"format-patch", "-1", "--stdout", fixture.topic_tip + "~1"});
  ASSERT_FALSE(fixture.temp.git_result({"am", "-3"}, patch).success());
  Session s(open_repo(fixture.temp));
  rebase_topic_onto(s, fixture.topic_tip, "main");
  EXPECT_EQ(s.status(), "rebase failed: fatal: It looks like 'git am' is in progress. Cannot rebase.");
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_FALSE(s.state.commit_view);
}

// ---- What git says, through a stand-in ----

// A git that fails with exactly this standard error (and, when given, this
// standard output).
void failing_git(FakePrograms& programs, const std::string& err, const std::string& out = "") {
  programs.add("git",
               "printf '%s\\n' \"$*\" >> \"$LOG\"\nprintf '" + out + "'\nprintf '" + err + "' >&2\nexit 1");
}

TEST_F(Rebase, RunFailuresShowGitsReason) {
  struct Case {
    std::string err, out, want;
  };
  const Case cases[] = {
      {"", "", "rebase failed: unknown error"},
      {"\\nsecond\\n", "", "rebase failed: "},
      {"\\nerror: second\\n", "", "rebase failed: error: second"},
      // git's progress ends with a carriage return, the reason after it.
      {"Rebasing (1/2)\\rerror: odd\\nhint: x\\n", "", "rebase failed: error: odd"},
      {"Rebasing (1/2)\\rodd\\nhint: x\\n", "", "rebase failed: Rebasing (1/2)\rodd"},
      {"fatal: bad\\r\\n", "", "rebase failed: fatal: bad"},
      // Only standard error tells of a conflict.
      {"error: not stopped\\n", "CONFLICT (content): Merge conflict in f.txt\\n",
       "rebase failed: error: not stopped"},
      {"conflict in lower case\\n", "", "rebase failed: conflict in lower case"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.err);
    ConflictRepo fixture;
    Session s(open_repo(fixture.temp));
    FakePrograms programs;
    failing_git(programs, c.err, c.out);
    rebase_topic_onto(s, fixture.topic_tip, "main");
    EXPECT_EQ(s.status(), c.want);
    EXPECT_FALSE(in_any_rebase_step(s.state));
    EXPECT_EQ(s.state.rebase_branch, "");
    EXPECT_FALSE(s.state.commit_view);
    EXPECT_EQ(programs.log("git"), "rebase main topic\n");
  }
}

TEST_F(Rebase, ConflictWordsInStandardErrorStop) {
  for (const std::string err : {"error: could not apply 1234567... t1\\n", "CONFLICT (content): f.txt\\n"}) {
    SCOPED_TRACE(err);
    ConflictRepo fixture;
    Session s(open_repo(fixture.temp));
    FakePrograms programs;
    failing_git(programs, err);
    rebase_topic_onto(s, fixture.topic_tip, "main");
    EXPECT_TRUE(s.state.rebase_in_progress);
    EXPECT_FALSE(s.state.entering_rebase_target);
    EXPECT_EQ(s.state.rebase_branch, "topic");
    EXPECT_EQ(s.state.rebase_onto_input, "main");
    EXPECT_EQ(s.status(), "conflicts - use 1/2 to select side, S to stage when resolved");
    // Nothing changed in the work tree: a view with two empty lists.
    ASSERT_TRUE(s.state.commit_view);
    EXPECT_TRUE(s.state.commit_view->unstaged.empty());
    EXPECT_TRUE(s.state.commit_view->staged.empty());
    EXPECT_TRUE(s.state.commit_view->staged_focus);
  }
}

TEST_F(Rebase, GitThatCannotStart) {
  ConflictRepo fixture;
  Session s(open_repo(fixture.temp));
  const FakePrograms nothing;  // alone on PATH: no git at all
  const std::string no_git = "No such file or directory (os error 2)";

  rebase_topic_onto(s, fixture.topic_tip, "main");
  EXPECT_EQ(s.status(), "rebase failed: " + no_git);
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_EQ(s.state.rebase_branch, "");

  // Stopped without the view: the mode stays.
  s.state.rebase_in_progress = true;
  s.state.rebase_branch = "topic";
  s.press("<enter>");
  EXPECT_EQ(s.status(), "rebase --continue failed: " + no_git);
  EXPECT_TRUE(s.state.rebase_in_progress);
  EXPECT_EQ(s.state.rebase_branch, "topic");

  // In the view: the view stays.
  s.state.commit_view = action::make_commit_view({}, false);
  s.press("c");
  EXPECT_EQ(s.status(), "rebase --continue failed: " + no_git);
  EXPECT_TRUE(s.state.commit_view);
  EXPECT_TRUE(s.state.rebase_in_progress);

  // An abort that cannot run says so; with no rebase stopped in the
  // repository the mode ends all the same.
  s.press("<esc>");
  EXPECT_EQ(s.status(), "rebase --abort failed: " + no_git);
  EXPECT_FALSE(s.state.commit_view);
  EXPECT_FALSE(in_any_rebase_step(s.state));
  s.state.rebase_in_progress = true;
  s.press("<esc>");
  EXPECT_EQ(s.status(), "rebase --abort failed: " + no_git);
  EXPECT_FALSE(in_any_rebase_step(s.state));
}

TEST_F(Rebase, AnAbortGitRefusesLeavesTheRebaseToFinish) {
  ConflictRepo fixture;
  Session s(open_repo(fixture.temp));
  rebase_topic_onto(s, fixture.topic_tip, "main");
  ASSERT_TRUE(s.state.commit_view);
  ASSERT_TRUE(fixture.rebase_stopped());
  {
    FakePrograms programs;
    failing_git(programs, "error: could not move back to 1234567\n");
    s.press("<esc>");
  }
  // Not reported as done: the view is closed, the rebase still stopped, and
  // the mode of a stopped rebase takes the keys.
  EXPECT_EQ(s.status(), "rebase --abort failed: error: could not move back to 1234567");
  EXPECT_FALSE(s.state.commit_view);
  EXPECT_TRUE(s.state.rebase_in_progress);
  EXPECT_TRUE(fixture.rebase_stopped());
  // With git working again, Esc aborts for real.
  s.press("<esc>");
  EXPECT_EQ(s.status(), "rebase aborted");
  EXPECT_FALSE(in_any_rebase_step(s.state));
  EXPECT_FALSE(fixture.rebase_stopped());
  EXPECT_EQ(fixture.temp.rev_parse("topic"), fixture.topic_tip);
}

TEST_F(Rebase, ContinueFailuresInTheView) {
  ConflictRepo fixture;
  Session s(open_repo(fixture.temp));
  FakePrograms programs;
  s.state.rebase_in_progress = true;
  s.state.rebase_branch = "topic";
  s.state.commit_view = action::make_commit_view({}, false);
  s.state.commit_view->resolved_sections["f.txt"] = 2;

  failing_git(programs, "error: something else\\nhint: more\\n");
  s.press("c");
  EXPECT_EQ(s.status(), "rebase --continue failed: error: something else");
  ASSERT_TRUE(s.state.commit_view);
  EXPECT_EQ(s.state.commit_view->resolved_sections.at("f.txt"), 2u);
  EXPECT_TRUE(s.state.rebase_in_progress);

  failing_git(programs, "");
  s.press("c");
  EXPECT_EQ(s.status(), "rebase --continue failed: unknown error");
  EXPECT_TRUE(s.state.commit_view);

  // The conflict words open a fresh view.
  failing_git(programs, "error: could not apply abc... t2\\n");
  s.press("c");
  EXPECT_EQ(s.status(), "conflicts - use 1/2 to select side, S to stage when resolved");
  ASSERT_TRUE(s.state.commit_view);
  EXPECT_TRUE(s.state.commit_view->resolved_sections.empty());
  EXPECT_TRUE(s.state.rebase_in_progress);
  EXPECT_EQ(programs.log("git"), "rebase --continue\nrebase --continue\nrebase --continue\n");
}

// ---- Selecting the branch's tip ----

TEST(JumpToBranchTip, SelectsTheTipWhenItIsLoaded) {
  repo::Repo r = memory_log(5);
  r.branches[repo::BranchName{"topic"}] = r.commits[3].id;
  r.branches[repo::BranchName{"beyond"}] = repo::Oid::from_hex(std::string(40, 'e')).value();
  state::State s = state::State::create(r);
  s.selected = 1;

  action::jump_cursor_to_branch_tip(s, r, "beyond");  // past the commit limit
  EXPECT_EQ(s.selected, 1u);
  action::jump_cursor_to_branch_tip(s, r, "missing");
  EXPECT_EQ(s.selected, 1u);
  action::jump_cursor_to_branch_tip(s, r, "Topic");
  EXPECT_EQ(s.selected, 1u);
  action::jump_cursor_to_branch_tip(s, r, "topic");
  EXPECT_EQ(s.selected, 3u);
}

TEST(AllBranchNames, EveryKeyOfTheMap) {
  repo::Repo r = memory_log(2);
  EXPECT_TRUE(state::all_branch_names(r).empty());
  r.branches[repo::BranchName{"main"}] = r.commits[0].id;
  r.branches[repo::BranchName{"origin/main"}] = r.commits[1].id;
  auto names = state::all_branch_names(r);
  std::ranges::sort(names);
  EXPECT_EQ(names, (std::vector<std::string>{"main", "origin/main"}));
}

}  // namespace
