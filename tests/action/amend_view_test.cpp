// Opening the staging view from the log: Tab over the work tree, a over
// HEAD's own changes, and what cancelling an amend leaves in the index.

#include <gtest/gtest.h>
#include <unistd.h>

#include "commit_view_fixture.hpp"
#include "repo/git_handle.hpp"
#include "repo/locked_index.hpp"

namespace {

using app_testing::ViewRun;

TEST(OpenStagingView, TabOpensTheViewAndClosesTheDetails) {
  ViewRun r;
  r.t.write("f.txt", "a\n").commit("base");
  r.load();
  r.press("<tab>");
  EXPECT_FALSE(r.s->state.commit_view);
  EXPECT_EQ(r.message(), "no changes to stage");

  r.t.write("new.txt", "x\n");
  r.s->state.commit_details = repo::CommitDetails{};
  r.s->state.details_query = "needle";
  r.s->state.count_prefix = "3";
  r.press("<tab>");
  ASSERT_TRUE(r.s->state.commit_view);
  EXPECT_EQ(r.view().selected_path, "new.txt");
  EXPECT_FALSE(r.view().amending);
  EXPECT_FALSE(r.view().staged_focus);
  EXPECT_FALSE(r.s->state.commit_details);
  EXPECT_EQ(r.s->state.details_query, "needle");
  EXPECT_EQ(r.s->state.count_prefix, "");
}

// An index that cannot be read is no "no changes": Tab says what failed,
// in the library's words.
TEST(OpenStagingView, TabSaysWhyTheIndexCannotBeRead) {
  ViewRun r;
  r.t.write("f.txt", "a\n").commit("base");
  r.t.write("new.txt", "x\n");
  r.load();
  r.t.write(".git/index", "not an index");
  auto handle = repo::open_repository(r.t.path());
  ASSERT_TRUE(handle);
  git_index* raw = nullptr;
  ASSERT_NE(git_repository_index(&raw, handle->get()), 0);
  const std::string library = repo::last_git_error();
  r.press("<tab>");
  EXPECT_FALSE(r.s->state.commit_view);
  EXPECT_EQ(r.message(), "failed to read the status: " + library);
}

TEST(OpenStagingView, AmendIsRefusedButOnHeadWithOneParent) {
  {
    ViewRun r;
    r.t.write("f.txt", "a\n").commit("root");
    r.load();
    r.press("a");
    EXPECT_EQ(r.message(), "cannot amend: the first commit has no parent");
    EXPECT_FALSE(r.s->state.commit_view);
  }
  {
    ViewRun r;
    r.t.write("f.txt", "a\n").commit("root");
    r.t.git({"checkout", "-q", "-b", "side"});
    r.t.write("g.txt", "g\n").commit("side");
    r.t.git({"checkout", "-q", "main"});
    r.t.write("f.txt", "b\n").commit("main");
    r.t.git({"merge", "-q", "--no-ff", "-m", "merge", "side"});
    r.load();
    r.press("a");
    EXPECT_EQ(r.message(), "cannot amend: merge commits can't be amended");
    r.press("ja");
    EXPECT_EQ(r.message(), "can only amend the latest commit");
    EXPECT_FALSE(r.s->state.commit_view);
  }
}

TEST(OpenStagingView, AmendShowsHeadsChangesAndUnstagesToTheParent) {
  ViewRun r;
  r.t.write("f.txt", "parent\n").write("g.txt", "g\n").commit("parent");
  r.t.write("f.txt", "head\n").commit("head");
  r.load();
  r.s->state.commit_details = repo::CommitDetails{};
  r.s->state.details_query = "needle";
  r.press("a");
  ASSERT_TRUE(r.s->state.commit_view);
  EXPECT_EQ(r.message(), "amending HEAD \u2014 edit staging, c to commit, esc to cancel");
  EXPECT_TRUE(r.view().amending);
  EXPECT_TRUE(r.view().staged_focus);
  EXPECT_EQ(r.view().selected_path, "f.txt");
  EXPECT_TRUE(r.view().index_before_amend);
  EXPECT_FALSE(r.s->state.commit_details);
  EXPECT_EQ(r.s->state.details_query, "needle");

  r.press("U");
  EXPECT_EQ(r.t.git({"rev-parse", ":f.txt"}), r.t.git({"rev-parse", "HEAD~1:f.txt"}));
  // An amend view stays open with nothing left to show.
  ASSERT_TRUE(r.s->state.commit_view);
  EXPECT_TRUE(r.view().staged.empty());
  r.press("<esc>");
  EXPECT_EQ(r.t.git({"rev-parse", ":f.txt"}), r.t.git({"rev-parse", "HEAD:f.txt"}));
}

// Cancelling the amend view, by each of its closing keys, gives back the
// index exactly as it was when a opened it.
void expect_cancel_restores(ViewRun& r, std::string_view edits) {
  for (const char* close : {"<esc>", "q", "<C-c>", "<tab>"}) {
    SCOPED_TRACE(close);
    const std::string before = r.t.index_listing();
    const std::string work = r.t.git({"status", "--porcelain"});
    r.load();
    r.press("a");
    ASSERT_TRUE(r.s->state.commit_view) << r.message();
    r.press(edits);
    EXPECT_NE(r.t.index_listing(), before) << "the edits changed nothing";
    r.press(close);
    EXPECT_FALSE(r.s->state.commit_view);
    EXPECT_EQ(r.t.index_listing(), before);
    EXPECT_EQ(r.t.git({"status", "--porcelain"}), work);
  }
}

TEST(AmendCancel, KeepsAPartlyStagedFile) {
  ViewRun r;
  r.t.write("f.txt", "one\n").write("g.txt", "g\n").commit("parent");
  r.t.write("g.txt", "G\n").commit("head");
  r.t.write("f.txt", "staged\n");
  r.t.git({"add", "f.txt"});
  r.t.write("f.txt", "work tree\n");
  // U on f.txt (the first staged file) puts back the parent's version.
  expect_cancel_restores(r, "U");
  EXPECT_EQ(r.index_text("f.txt"), "staged\n");
}

TEST(AmendCancel, KeepsAStagedFileSinceDeletedFromTheWorkTree) {
  ViewRun r;
  r.t.write("f.txt", "one\n").commit("parent");
  r.t.write("f.txt", "two\n").commit("head");
  r.t.write("g.txt", "only in the index\n");
  r.t.git({"add", "g.txt"});
  r.t.remove("g.txt");
  // S on g.txt in the unstaged list stages its deletion.
  expect_cancel_restores(r, "<C-h><C-j>S");
  EXPECT_EQ(r.index_text("g.txt"), "only in the index\n");
}

TEST(AmendCancel, KeepsTheConflictEntriesOfAStoppedMerge) {
  ViewRun r;
  r.t.write("f.txt", "f\n");
  app_testing::stop_merge_on_conflict(r.t, "c.txt", "base\n", "main\n", "side\n");
  const std::string conflicts = r.t.git({"ls-files", "-u"});
  ASSERT_NE(conflicts, "");
  // S on the conflicted file, resolved by hand, replaces its three stages by
  // the file.
  r.t.write("c.txt", "resolved\n");
  expect_cancel_restores(r, "<C-h>S");
  EXPECT_EQ(r.t.git({"ls-files", "-u"}), conflicts);
}

TEST(AmendCancel, KeepsAFileStagedWhereTheIndexHeldADirectory) {
  ViewRun r;
  r.t.write("d/f", "below\n").write("g.txt", "g\n").commit("parent");
  r.t.write("g.txt", "G\n").commit("head");
  r.t.remove("d").write("d", "now a file\n");
  // S on d, the first unstaged file, replaces the entry of d/f.
  expect_cancel_restores(r, "<C-h>S");
  EXPECT_EQ(r.index_text("d/f"), "below\n");
}

// What another program changed in the index while the amend view was open
// stays: a cancel puts back only the entries the view itself changed.
TEST(AmendCancel, LeavesWhatChangedElsewhereMeanwhile) {
  for (const bool unstage_in_view : {false, true}) {
    SCOPED_TRACE(unstage_in_view ? "U on f.txt in the view" : "no change in the view");
    ViewRun r;
    r.t.write("f.txt", "parent\n").write("file.txt", "one\n").commit("parent");
    r.t.write("f.txt", "head\n").commit("head");
    const std::string f_entry = r.t.index_listing("f.txt");
    r.load();
    r.press("a");
    ASSERT_TRUE(r.s->state.commit_view) << r.message();
    if (unstage_in_view) {
      r.press("U");
      ASSERT_NE(r.t.index_listing("f.txt"), f_entry);
    }
    // Another shell commits a new file and stages a change.
    r.t.write("outside.txt", "committed outside\n");
    r.t.git({"add", "outside.txt"});
    r.t.commit_staged("outside");
    r.t.write("file.txt", "two\n").git({"add", "file.txt"});
    const std::string listing = r.t.index_listing();
    const std::string status = r.t.git({"status", "--porcelain"});

    r.press("<esc>");
    EXPECT_FALSE(r.s->state.commit_view) << r.message();
    EXPECT_EQ(r.t.index_listing("f.txt"), f_entry);
    if (!unstage_in_view) {
      EXPECT_EQ(r.t.index_listing(), listing);
      EXPECT_EQ(r.t.git({"status", "--porcelain"}), status);
    }
    EXPECT_EQ(r.t.git({"status", "--porcelain", "--", "file.txt", "outside.txt"}), "M  file.txt\n");
    EXPECT_EQ(r.index_text("outside.txt"), "committed outside\n");
  }
}

// With the index locked by another program the entries cannot go back: the
// view and its copy stay, and the next close puts them back.
TEST(AmendCancel, ALockedIndexKeepsTheViewForAnotherTry) {
  ViewRun r;
  r.t.write("f.txt", "parent\n").commit("parent");
  r.t.write("f.txt", "head\n").commit("head");
  const std::string before = r.t.index_listing();
  r.load();
  r.press("a");
  r.press("U");
  const std::string unstaged = r.t.index_listing();
  ASSERT_NE(unstaged, before);
  const std::string lock = r.t.file_path(".git/index.lock");
  testing_support::write_file(lock, "");
  for (const char* close : {"<esc>", "q"}) {
    r.press(close);
    ASSERT_TRUE(r.s->state.commit_view) << close;
    EXPECT_TRUE(r.view().amending);
    EXPECT_TRUE(r.view().index_before_amend);
    EXPECT_EQ(r.message(), "failed to restore the index: " + std::string(repo::kIndexLockedText));
    EXPECT_EQ(r.t.index_listing(), unstaged);
  }
  ASSERT_EQ(::unlink(lock.c_str()), 0);
  r.press("<esc>");
  EXPECT_FALSE(r.s->state.commit_view);
  EXPECT_EQ(r.t.index_listing(), before);
}

}  // namespace
