#include "action/move_branch.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "log_fixture.hpp"
#include "support/fake_programs.hpp"
#include "support/program_git.hpp"
#include "support/text.hpp"

namespace {

using app_testing::memory_log;
using testing_support::first_line;
using testing_support::has_branch;
using testing_support::LineRepo;
using testing_support::open_repo;
using testing_support::RecordedGit;
using testing_support::row_of;
using testing_support::Session;
using testing_support::TempRepo;

bool in_any_move_step(const state::State& s) {
  return s.selecting_move_branch || s.selecting_move_target || s.confirming_move;
}

// The program's own git runs move branches here.
class MoveBranch : public testing::Test {
 private:
  testing_support::ProgramGitEnv env_;
};

TEST_F(MoveBranch, NothingToActOnWithoutACommit) {
  Session s(memory_log(0));
  const RecordedGit git;
  s.press("m");
  EXPECT_FALSE(in_any_move_step(s.state));
  EXPECT_FALSE(s.state.status_message);

  // A confirmation left open over a log that emptied ends and runs nothing.
  s.state.confirming_move = true;
  s.state.move_branch = "main";
  s.press("y");
  EXPECT_FALSE(s.state.confirming_move);
  EXPECT_EQ(s.state.move_branch, "");
  EXPECT_FALSE(s.state.status_message);
  EXPECT_EQ(git.calls(), "");
}

// ---- Move: entering and the branch choice ----

TEST_F(MoveBranch, StartsAtTheLocalBranchesOfTheCommit) {
  LineRepo fixture;
  fixture.temp.git({"update-ref", "refs/remotes/origin/main", fixture.second});
  fixture.temp.git({"branch", "topic", fixture.first});
  fixture.temp.git({"branch", "other", fixture.first});
  Session s(open_repo(fixture.temp));

  // Only a remote-tracking branch here.
  s.state.selected = row_of(s.repo, fixture.second);
  s.state.count_prefix = "2";
  s.press("m");
  EXPECT_EQ(s.status(), "no local branches on this commit");
  EXPECT_FALSE(in_any_move_step(s.state));
  EXPECT_EQ(s.state.count_prefix, "");

  // One branch: straight to the target.
  s.state.selected = row_of(s.repo, fixture.third);
  s.press("m");
  EXPECT_TRUE(s.state.selecting_move_target);
  EXPECT_FALSE(s.state.selecting_move_branch);
  EXPECT_EQ(s.state.move_branch, "main");
  EXPECT_FALSE(s.state.status_message);
  s.press("<esc>");
  EXPECT_FALSE(in_any_move_step(s.state));
  EXPECT_EQ(s.state.move_branch, "");

  // Two: the choice opens on the first listed; Enter keeps it.
  s.state.selected = row_of(s.repo, fixture.first);
  const auto listed = s.repo.local_branches_at(s.repo.commits[s.state.selected].id);
  ASSERT_EQ(listed.size(), 2u);
  s.press("m");
  EXPECT_TRUE(s.state.selecting_move_branch);
  EXPECT_FALSE(s.state.selecting_move_target);
  EXPECT_EQ(s.state.move_branch, listed[0]);
  s.press("jkq");
  EXPECT_TRUE(s.state.selecting_move_branch);
  EXPECT_EQ(s.state.selected, row_of(s.repo, fixture.first));
  s.press("<enter>");
  EXPECT_FALSE(s.state.selecting_move_branch);
  EXPECT_TRUE(s.state.selecting_move_target);
  EXPECT_EQ(s.state.move_branch, listed[0]);
}

TEST_F(MoveBranch, TabCyclesThroughTheBranchesInListOrder) {
  LineRepo fixture;
  fixture.temp.git({"branch", "beta"});
  fixture.temp.git({"branch", "alpha"});
  Session s(open_repo(fixture.temp));
  const auto listed = s.repo.local_branches_at(s.repo.commits[0].id);
  ASSERT_EQ(listed.size(), 3u);

  s.press("m");
  EXPECT_EQ(s.state.move_branch, listed[0]);
  for (const std::size_t want : {1u, 2u, 0u, 1u}) {
    s.press("<tab>");
    EXPECT_EQ(s.state.move_branch, listed[want]);
  }
  // A name no longer listed gives the second.
  s.state.move_branch = "gone";
  s.press("<tab>");
  EXPECT_EQ(s.state.move_branch, listed[1]);
  // No branch at the selected commit: Tab changes nothing.
  s.state.selected = row_of(s.repo, fixture.first);
  s.press("<tab>");
  EXPECT_EQ(s.state.move_branch, listed[1]);

  s.press("<C-c>");
  EXPECT_FALSE(in_any_move_step(s.state));
  EXPECT_EQ(s.state.move_branch, "");
}

TEST_F(MoveBranch, BranchChoiceCanBeLeftWhenTheLogEmptied) {
  Session s(memory_log(0));
  s.state.selecting_move_branch = true;
  s.state.move_branch = "main";
  s.press("<tab><enter>");
  EXPECT_TRUE(s.state.selecting_move_branch);
  EXPECT_EQ(s.state.move_branch, "main");
  s.press("<esc>");
  EXPECT_FALSE(in_any_move_step(s.state));
  EXPECT_EQ(s.state.move_branch, "");
}

// ---- Move: the target step ----

TEST_F(MoveBranch, TargetStepMovesOneRowAndStopsAtBothEnds) {
  Session s(memory_log(4));
  s.state.selecting_move_target = true;
  s.state.move_branch = "main";
  struct Step {
    const char* keys;
    std::size_t selected;
  };
  const Step steps[] = {
      {"k", 0},
      {"<up>", 0},
      {"j", 1},
      {"<down>", 2},
      {"j", 3},
      {"j", 3},
      {"g", 0},
      {"G", 3},
      // No count prefix and no half pages here.
      {"g2j", 1},
      {"<C-d>", 1},
      {"<C-u>", 1},
      {"h", 1},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.keys);
    s.press(step.keys);
    EXPECT_EQ(s.state.selected, step.selected);
    EXPECT_TRUE(s.state.selecting_move_target);
    EXPECT_EQ(s.state.count_prefix, "");
  }
  // Esc leaves the selection where it was moved.
  s.press("j<esc>");
  EXPECT_EQ(s.state.selected, 2u);
  EXPECT_FALSE(in_any_move_step(s.state));
  EXPECT_EQ(s.state.move_branch, "");

  s.state.selecting_move_target = true;
  s.press("<enter>");
  EXPECT_FALSE(s.state.selecting_move_target);
  EXPECT_TRUE(s.state.confirming_move);

  Session empty(memory_log(0));
  empty.state.selecting_move_target = true;
  empty.press("Gjk");
  EXPECT_EQ(empty.state.selected, 0u);
}

// ---- Move: confirming and running git ----

TEST_F(MoveBranch, MovingTheBranchHeadIsOnTakesTheWorkTreeAlong) {
  LineRepo fixture;
  Session s(open_repo(fixture.temp));
  fixture.temp.write("u.txt", "untracked\n");
  const RecordedGit git;

  s.press("mj<enter>");
  ASSERT_TRUE(s.state.confirming_move);
  s.press("jq");  // neither moves nor quits
  EXPECT_TRUE(s.state.confirming_move);
  EXPECT_EQ(s.state.selected, 1u);
  s.press("y");
  EXPECT_FALSE(in_any_move_step(s.state));
  EXPECT_EQ(s.state.move_branch, "");
  EXPECT_EQ(s.status(), "moved main to " + fixture.second.substr(0, 7));
  EXPECT_EQ(git.calls(), "reset --keep " + fixture.second + "\n");
  EXPECT_EQ(fixture.temp.rev_parse("main"), fixture.second);
  EXPECT_EQ(fixture.temp.read("a.txt"), "2\n");
  EXPECT_EQ(fixture.temp.git({"status", "--porcelain"}), "?? u.txt\n");
  EXPECT_EQ(s.repo.head_sha().hex(), fixture.second);
}

// Uncommitted work survives the move of the branch HEAD is on: git moves
// the branch around it, or refuses and nothing changes.
TEST_F(MoveBranch, MovingTheBranchHeadIsOnLosesNoUncommittedWork) {
  struct Case {
    const char* what;
    std::function<void(TempRepo&)> work;
    std::string failure;                       // empty: the move is made
    std::map<std::string, std::string> files;  // what the work tree holds afterwards
  };
  const Case cases[] = {
      {"an untracked file",
       [](TempRepo& t) { t.write("u.txt", "mine\n"); },
       "",
       {{"a.txt", "2\n"}, {"u.txt", "mine\n"}}},
      // Its index entry goes with the index; the file stays.
      {"a new file in the index only",
       [](TempRepo& t) {
         t.write("c.txt", "new\n").git({"add", "c.txt"});
       },
       "",
       {{"a.txt", "2\n"}, {"c.txt", "new\n"}}},
      {"a change to a file the move changes",
       [](TempRepo& t) { t.write("a.txt", "dirty\n"); },
       "move failed: error: Entry 'a.txt' not uptodate. Cannot merge.",
       {{"a.txt", "dirty\n"}}},
      {"a staged change to a file the move changes",
       [](TempRepo& t) {
         t.write("a.txt", "staged\n").git({"add", "a.txt"});
       },
       "move failed: error: Entry 'a.txt' would be overwritten by merge. Cannot merge.",
       {{"a.txt", "staged\n"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LineRepo fixture;
    Session s(open_repo(fixture.temp));
    c.work(fixture.temp);
    const std::string index_before = fixture.temp.git({"ls-files", "-s"});
    // Shows whether the model was reloaded; not at HEAD's commit, where m
    // would offer it.
    fixture.temp.git({"branch", "outside", fixture.first});

    s.press("mj<enter>y");
    EXPECT_FALSE(in_any_move_step(s.state));
    for (const auto& [path, content] : c.files) EXPECT_EQ(fixture.temp.read(path), content) << path;
    if (c.failure.empty()) {
      EXPECT_EQ(s.status(), "moved main to " + fixture.second.substr(0, 7));
      EXPECT_EQ(fixture.temp.rev_parse("main"), fixture.second);
      EXPECT_TRUE(has_branch(s.repo, "outside"));
    } else {
      EXPECT_EQ(s.status(), c.failure);
      EXPECT_EQ(fixture.temp.rev_parse("main"), fixture.third);
      EXPECT_EQ(fixture.temp.git({"ls-files", "-s"}), index_before);
      EXPECT_FALSE(has_branch(s.repo, "outside"));
    }
  }

  // An untracked file where the target has one.
  LineRepo fixture;
  fixture.temp.git({"checkout", "-q", "-b", "side"});
  const std::string side = fixture.temp.write("x.txt", "theirs\n").commit("side adds x");
  fixture.temp.git({"checkout", "-q", "main"});
  fixture.temp.write("x.txt", "mine\n");
  Session s(open_repo(fixture.temp));
  s.press("m");
  s.state.selected = row_of(s.repo, side);
  s.press("<enter>y");
  EXPECT_EQ(s.status(),
            "move failed: error: Untracked working tree file 'x.txt' would be overwritten by merge.");
  EXPECT_EQ(fixture.temp.rev_parse("main"), fixture.third);
  EXPECT_EQ(fixture.temp.read("x.txt"), "mine\n");
}

// A checkout made from outside since the last load: the move goes by HEAD
// as it is now, so it moves the branch it names and the checked-out one
// keeps its commit and the work tree.
TEST_F(MoveBranch, AMoveGoesByHeadAsItIsNow) {
  TempRepo temp;
  const std::string c1 = temp.write("a.txt", "a\n").commit("c1");
  const std::string c2 = temp.write("b.txt", "2\n").commit("c2");
  temp.git({"branch", "side"});
  const std::string c3 = temp.write("b.txt", "3\n").commit("c3");
  temp.write("a.txt", "a\nuncommitted\n");
  Session s(open_repo(temp));
  temp.git({"checkout", "-q", "side"});
  ASSERT_EQ(s.repo.head, repo::HeadState(repo::HeadBranch{"main"}));  // the model has not seen it

  s.press("mjj<enter>y");
  EXPECT_EQ(s.status(), "moved main to " + c1.substr(0, 7));
  EXPECT_EQ(temp.rev_parse("main"), c1);
  EXPECT_EQ(temp.rev_parse("side"), c2);
  EXPECT_EQ(temp.git({"symbolic-ref", "HEAD"}), "refs/heads/side\n");
  EXPECT_EQ(temp.read("a.txt"), "a\nuncommitted\n");
  EXPECT_EQ(temp.read("b.txt"), "2\n");
  EXPECT_EQ(s.repo.head, repo::HeadState(repo::HeadBranch{"side"}));

  // And the other way: HEAD came onto the branch being moved.
  temp.git({"checkout", "-q", "main"});
  temp.git({"branch", "-f", "side", c3});
  s.repo.refresh();
  temp.git({"checkout", "-q", "side"});
  s.state.selected = row_of(s.repo, c3);
  const RecordedGit git;
  s.press("mj<enter>y");
  EXPECT_EQ(git.calls(), "reset --keep " + c2 + "\n");
  EXPECT_EQ(s.status(), "moved side to " + c2.substr(0, 7));
  EXPECT_EQ(temp.rev_parse("side"), c2);
  EXPECT_EQ(temp.read("b.txt"), "2\n");
  EXPECT_EQ(temp.read("a.txt"), "a\nuncommitted\n");
}

// Opened through its .git directory, the repository's work tree is where
// git must run for a reset.
TEST_F(MoveBranch, WorksWhenOpenedThroughTheGitDirectory) {
  LineRepo fixture;
  Session s(open_repo(fixture.temp.path() + "/.git"));

  s.state.selected = row_of(s.repo, fixture.temp.rev_parse("HEAD"));
  s.press("m");
  s.state.selected = row_of(s.repo, fixture.first);
  s.press("<enter>y");
  EXPECT_EQ(s.status(), "moved main to " + fixture.first.substr(0, 7));
  EXPECT_EQ(fixture.temp.rev_parse("main"), fixture.first);
  EXPECT_EQ(fixture.temp.read("a.txt"), "1\n");
  EXPECT_EQ(fixture.temp.git({"status", "--porcelain"}), "");
}

TEST_F(MoveBranch, MovingAnotherBranchLeavesTheWorkTree) {
  LineRepo fixture;
  fixture.temp.git({"branch", "topic"});
  Session s(open_repo(fixture.temp));
  fixture.temp.write("a.txt", "dirty\n");
  const RecordedGit git;

  s.press("m");
  while (s.state.move_branch != "topic") s.press("<tab>");
  s.press("<enter>jj<enter>");
  ASSERT_TRUE(s.state.confirming_move);
  s.press("<enter>");
  EXPECT_FALSE(in_any_move_step(s.state));
  EXPECT_EQ(s.status(), "moved topic to " + fixture.first.substr(0, 7));
  EXPECT_EQ(git.calls(), "branch -f topic " + fixture.first + "\n");
  EXPECT_EQ(fixture.temp.rev_parse("topic"), fixture.first);
  EXPECT_EQ(fixture.temp.rev_parse("main"), fixture.third);
  EXPECT_EQ(fixture.temp.read("a.txt"), "dirty\n");
  EXPECT_EQ(s.repo.branches.at(repo::BranchName{"topic"}).hex(), fixture.first);
}

TEST_F(MoveBranch, DetachedHeadMovesWithTheBranchCommand) {
  LineRepo fixture;
  fixture.temp.git({"checkout", "-q", "--detach"});
  Session s(open_repo(fixture.temp));
  const RecordedGit git;

  s.press("mj<enter>y");
  EXPECT_EQ(git.calls(), "branch -f main " + fixture.second + "\n");
  EXPECT_EQ(s.status(), "moved main to " + fixture.second.substr(0, 7));
  EXPECT_EQ(fixture.temp.rev_parse("main"), fixture.second);
  EXPECT_EQ(fixture.temp.rev_parse("HEAD"), fixture.third);
  EXPECT_EQ(fixture.temp.read("a.txt"), "3\n");
}

TEST_F(MoveBranch, CancellingTheMoveRunsNoGit) {
  for (const std::string key : {"n", "<esc>", "<C-c>"}) {
    SCOPED_TRACE(key);
    LineRepo fixture;
    Session s(open_repo(fixture.temp));
    const RecordedGit git;
    s.press("mj<enter>" + key);
    EXPECT_FALSE(in_any_move_step(s.state));
    EXPECT_EQ(s.state.move_branch, "");
    EXPECT_FALSE(s.state.status_message);
    EXPECT_EQ(git.calls(), "");
    EXPECT_EQ(fixture.temp.rev_parse("main"), fixture.third);
  }
}

TEST_F(MoveBranch, BranchCheckedOutElsewhereFailsWithGitsLine) {
  LineRepo fixture;
  fixture.temp.git({"branch", "topic"});
  fixture.temp.git({"worktree", "add", "-q", fixture.temp.path() + "/../elsewhere", "topic"});
  const auto oracle = fixture.temp.git_result({"branch", "-f", "topic", fixture.second});
  ASSERT_FALSE(oracle.success());
  Session s(open_repo(fixture.temp));
  fixture.temp.git({"branch", "outside"});

  s.press("m");
  while (s.state.move_branch != "topic") s.press("<tab>");
  s.press("<enter>j<enter>y");
  EXPECT_FALSE(in_any_move_step(s.state));
  EXPECT_EQ(s.state.move_branch, "");
  EXPECT_EQ(s.status(), "move failed: " + first_line(oracle.err));
  EXPECT_EQ(fixture.temp.rev_parse("topic"), fixture.third);
  EXPECT_FALSE(has_branch(s.repo, "outside"));
}

TEST_F(MoveBranch, OptionLikeBranchNameIsRefusedBeforeGit) {
  struct Case {
    std::string name;
    bool head_on_it;
  };
  // "-m" would rename the branch HEAD is on to the target's id.
  for (const Case& c : {Case{"-x", false}, Case{"-m", false}, Case{"-x", true}}) {
    SCOPED_TRACE(c.name + (c.head_on_it ? " with HEAD on it" : ""));
    LineRepo fixture;
    fixture.temp.git({"update-ref", "refs/heads/" + c.name, fixture.third});
    if (c.head_on_it) fixture.temp.git({"symbolic-ref", "HEAD", "refs/heads/" + c.name});
    Session s(open_repo(fixture.temp));
    const RecordedGit git;

    s.press("m");
    ASSERT_TRUE(s.state.selecting_move_branch);
    while (s.state.move_branch != c.name) s.press("<tab>");
    s.press("<enter>j<enter>y");
    EXPECT_FALSE(in_any_move_step(s.state));
    EXPECT_EQ(s.state.move_branch, "");
    EXPECT_EQ(s.status(), "move failed: invalid name '" + c.name + "'");
    EXPECT_EQ(git.calls(), "");
    EXPECT_EQ(fixture.temp.rev_parse("refs/heads/" + c.name), fixture.third);
    EXPECT_EQ(fixture.temp.rev_parse("main"), fixture.third);
  }
}

TEST(MoveBranchArgs, ResetOnlyForTheBranchHeadIsOn) {
  const repo::Oid id = repo::Oid::from_hex(std::string(40, 'a')).value();
  const std::string hex(40, 'a');
  using Args = std::vector<std::string>;
  EXPECT_EQ(action::move_branch_args(repo::HeadBranch{"main"}, "main", id), (Args{"reset", "--keep", hex}));
  EXPECT_EQ(action::move_branch_args(repo::HeadBranch{"main"}, "topic", id),
            (Args{"branch", "-f", "topic", hex}));
  // Exact names only.
  EXPECT_EQ(action::move_branch_args(repo::HeadBranch{"Main"}, "main", id),
            (Args{"branch", "-f", "main", hex}));
  EXPECT_EQ(action::move_branch_args(repo::HeadDetached{id}, "main", id),
            (Args{"branch", "-f", "main", hex}));
}

}  // namespace
