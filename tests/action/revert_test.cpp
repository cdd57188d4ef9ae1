#include "action/revert.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "log_fixture.hpp"
#include "support/fake_programs.hpp"
#include "support/program_git.hpp"

namespace {

using app_testing::memory_log;
using testing_support::has_branch;
using testing_support::LineRepo;
using testing_support::open_repo;
using testing_support::RecordedGit;
using testing_support::row_of;
using testing_support::Session;
using testing_support::TempRepo;

// The program's own git runs make commits here.
class Revert : public testing::Test {
 private:
  testing_support::ProgramGitEnv env_;
};

TEST_F(Revert, AddsACommitThatUndoesTheSelectedOne) {
  TempRepo temp;
  temp.write("a.txt", "1\n").commit("first");
  const std::string second = temp.write("b.txt", "b\n").commit("second");
  const std::string third = temp.write("a.txt", "3\n").commit("third");
  Session s(open_repo(temp));
  s.state.set_status("old news");

  s.press("j");
  ASSERT_EQ(s.repo.commits[s.state.selected].id.hex(), second);
  s.press("R");
  EXPECT_TRUE(s.state.confirming_revert);
  EXPECT_FALSE(s.state.status_message);

  // Only Enter, Esc and Ctrl-c act; q does not quit, j does not move.
  EXPECT_FALSE(s.press("jqk/"));
  EXPECT_TRUE(s.state.confirming_revert);
  EXPECT_EQ(s.state.selected, 1u);
  EXPECT_FALSE(s.state.status_message);
  EXPECT_EQ(s.state.search_query, "");

  temp.git({"branch", "outside"});  // shows whether the model was reloaded
  s.press("<enter>");
  EXPECT_FALSE(s.state.confirming_revert);
  EXPECT_EQ(s.status(), "reverted " + second.substr(0, 7));
  EXPECT_EQ(temp.rev_parse("HEAD^"), third);
  EXPECT_FALSE(std::filesystem::exists(temp.file_path("b.txt")));
  EXPECT_EQ(temp.read("a.txt"), "3\n");
  EXPECT_EQ(temp.git({"status", "--porcelain"}), "");
  ASSERT_EQ(s.repo.commits.size(), 4u);
  EXPECT_EQ(s.repo.commits[0].summary, "Revert \"second\"");
  EXPECT_EQ(s.repo.commits[0].id.hex(), temp.rev_parse("HEAD"));
  EXPECT_TRUE(has_branch(s.repo, "outside"));
}

TEST_F(Revert, CancelsWithoutRunningGit) {
  for (const std::string key : {"<esc>", "<C-c>"}) {
    SCOPED_TRACE(key);
    LineRepo fixture;
    Session s(open_repo(fixture.temp));
    const RecordedGit git;
    s.press("R" + key);
    EXPECT_FALSE(s.state.confirming_revert);
    EXPECT_FALSE(s.state.status_message);
    EXPECT_EQ(git.calls(), "");
    EXPECT_EQ(fixture.temp.rev_parse("HEAD"), fixture.third);
  }
}

TEST_F(Revert, RunsGitWithTheFullId) {
  LineRepo fixture;
  Session s(open_repo(fixture.temp));
  const RecordedGit git;
  s.press("R<enter>");
  EXPECT_EQ(git.calls(), "revert --no-edit " + fixture.third + "\n");
  EXPECT_EQ(s.status(), "reverted " + fixture.third.substr(0, 7));
}

TEST_F(Revert, OnlyInHeadsHistory) {
  LineRepo fixture;
  fixture.temp.git({"checkout", "-q", "-b", "side", fixture.first});
  const std::string side = fixture.temp.write("s.txt", "s\n").commit("side");
  fixture.temp.git({"checkout", "-q", "main"});
  Session s(open_repo(fixture.temp));
  s.state.count_prefix = "3";

  s.state.selected = row_of(s.repo, side);
  s.press("R");
  EXPECT_FALSE(s.state.confirming_revert);
  EXPECT_EQ(s.status(), "can only revert commits in HEAD's history");
  EXPECT_EQ(s.state.count_prefix, "");

  // HEAD's own commit and its ancestors are accepted.
  for (const std::string& id : {fixture.third, fixture.first}) {
    s.state.selected = row_of(s.repo, id);
    s.press("R");
    EXPECT_TRUE(s.state.confirming_revert);
    EXPECT_FALSE(s.state.status_message);
    s.press("<esc>");
  }
}

TEST_F(Revert, ConflictingRevertLeavesGitsStateAndReloadsNothing) {
  LineRepo fixture;
  Session s(open_repo(fixture.temp));
  s.state.selected = row_of(s.repo, fixture.second);
  fixture.temp.git({"branch", "outside"});

  s.press("R<enter>");
  EXPECT_FALSE(s.state.confirming_revert);
  EXPECT_EQ(s.status(),
            "revert failed: error: could not revert " + fixture.second.substr(0, 7) + "... second");
  // The stopped revert is the user's to finish or abort.
  EXPECT_TRUE(fixture.temp.git_result({"rev-parse", "-q", "--verify", "REVERT_HEAD"}).success());
  EXPECT_NE(fixture.temp.read("a.txt").find("<<<<<<<"), std::string::npos);
  EXPECT_EQ(fixture.temp.rev_parse("HEAD"), fixture.third);
  EXPECT_FALSE(has_branch(s.repo, "outside"));
  EXPECT_EQ(s.repo.commits.size(), 3u);
}

TEST_F(Revert, MergeCommitRevertFailsWithGitsLine) {
  LineRepo fixture;
  fixture.temp.git({"checkout", "-q", "-b", "side", fixture.first});
  fixture.temp.write("s.txt", "s\n").commit("side");
  fixture.temp.git({"checkout", "-q", "main"});
  fixture.temp.git({"merge", "-q", "--no-ff", "-m", "merge side", "side"});
  const std::string merge = fixture.temp.rev_parse("HEAD");
  Session s(open_repo(fixture.temp));
  ASSERT_EQ(s.repo.commits[s.state.selected].id.hex(), merge);

  s.press("R<enter>");
  EXPECT_FALSE(s.state.confirming_revert);
  EXPECT_EQ(s.status(), "revert failed: error: commit " + merge + " is a merge but no -m option was given.");
  EXPECT_EQ(fixture.temp.rev_parse("HEAD"), merge);
}

TEST_F(Revert, NothingToActOnWithoutACommit) {
  Session s(memory_log(0));
  const RecordedGit git;
  s.press("R");
  EXPECT_FALSE(s.state.confirming_revert);
  EXPECT_FALSE(s.state.status_message);

  // A confirmation left open over a log that emptied ends on Enter and runs
  // nothing.
  s.state.confirming_revert = true;
  s.press("<enter>");
  EXPECT_FALSE(s.state.confirming_revert);
  EXPECT_FALSE(s.state.status_message);
  EXPECT_EQ(git.calls(), "");
}

// Opened through its .git directory, the repository's work tree is where
// git must run for a revert.
TEST_F(Revert, WorksWhenOpenedThroughTheGitDirectory) {
  LineRepo fixture;
  Session s(open_repo(fixture.temp.path() + "/.git"));

  s.press("R<enter>");
  EXPECT_EQ(s.status(), "reverted " + fixture.third.substr(0, 7));
  EXPECT_EQ(fixture.temp.rev_parse("HEAD^"), fixture.third);
  EXPECT_EQ(fixture.temp.read("a.txt"), "2\n");
}

}  // namespace
