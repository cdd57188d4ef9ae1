#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "commit_view_fixture.hpp"

namespace {

using app_testing::ViewRun;
using state::DiscardKind;
using testing_support::numbered;

const std::string kBase = numbered(1, 40);
const std::string kBoth = numbered(1, 40, "", {{3, "three"}, {35, "thirtyfive"}});
const std::string kFirst = numbered(1, 40, "", {{3, "three"}});
const std::string kSecond = numbered(1, 40, "", {{35, "thirtyfive"}});

// a.txt with one change, f.txt with two hunks far apart.
void two_files(ViewRun& r) {
  r.t.write("a.txt", "a\n").write("f.txt", kBase).commit("base");
  r.t.write("a.txt", "A\n").write("f.txt", kBoth);
}

bool exists(const ViewRun& r, const std::string& path) {
  return std::filesystem::exists(r.t.file_path(path));
}

TEST(StagingView, OpensOnTheFirstChangedFile) {
  ViewRun r;
  two_files(r);
  r.open();
  EXPECT_EQ(r.view().selected_path, "a.txt");
  EXPECT_FALSE(r.view().staged_focus);
  ASSERT_TRUE(r.view().staging_highlight);
  EXPECT_EQ(r.view().staging_highlight->path, "a.txt");

  // Only staged changes: the staged list has the focus.
  r.t.git({"add", "-A"});
  r.open();
  EXPECT_TRUE(r.view().staged_focus);
  EXPECT_EQ(r.view().selected_path, "a.txt");
}

TEST(StagingView, StagingOneHunkKeepsTheFileAndItsScroll) {
  ViewRun r;
  two_files(r);
  r.open();
  r.press("<C-j>");
  ASSERT_EQ(r.view().selected_path, "f.txt");
  r.press("n");  // onto the second hunk
  const std::size_t scroll = r.view().diff_scroll;
  ASSERT_GT(scroll, 0u);
  r.press("s");
  EXPECT_EQ(r.index_text("f.txt"), kSecond);
  EXPECT_EQ(r.t.read("f.txt"), kBoth);
  EXPECT_EQ(r.view().selected_path, "f.txt");
  EXPECT_EQ(r.view().unstaged_index, 1u);
  // The hunk left is the first: the scroll comes back to its top, the most
  // the keys could reach now.
  EXPECT_EQ(r.view().diff_scroll, 0u);
  ASSERT_EQ(r.view().staged.size(), 1u);

  // The last hunk takes the file out of the list: the index is clamped and
  // the file now there is selected from its top.
  r.press("s");
  EXPECT_EQ(r.index_text("f.txt"), kBoth);
  ASSERT_EQ(r.view().unstaged.size(), 1u);
  EXPECT_EQ(r.view().unstaged_index, 0u);
  EXPECT_EQ(r.view().selected_path, "a.txt");
  EXPECT_EQ(r.view().diff_scroll, 0u);
  EXPECT_EQ(r.view().staging_highlight->path, "a.txt");
}

TEST(StagingView, UnstagingAHunkFromTheStagedList) {
  ViewRun r;
  two_files(r);
  r.t.git({"add", "f.txt"});
  r.open();
  r.press("<C-l>");
  ASSERT_EQ(r.view().selected_path, "f.txt");
  r.press("u");
  EXPECT_EQ(r.index_text("f.txt"), kSecond);
  r.press("Gu");
  EXPECT_EQ(r.index_text("f.txt"), kBase);
  EXPECT_TRUE(r.view().staged.empty());
  EXPECT_FALSE(r.view().selected_path);
}

TEST(StagingView, APendingDiscardTakesTheNextKeyWhateverItIs) {
  for (const char* key : {"<esc>", "j", "q", "d", "n", "<left>", "<tab>", "D", "s"}) {
    SCOPED_TRACE(key);
    ViewRun r;
    two_files(r);
    r.open();
    r.press("<C-j>d");
    ASSERT_EQ(r.s->state.pending_discard, std::make_pair(std::string("f.txt"), DiscardKind::Hunk));
    r.press(key);
    EXPECT_FALSE(r.s->state.pending_discard);
    ASSERT_TRUE(r.s->state.commit_view);  // not even Esc or Tab closed the view
    EXPECT_EQ(r.view().diff_scroll, 0u);
    EXPECT_EQ(r.t.read("f.txt"), kBoth);
    EXPECT_EQ(r.index_text("f.txt"), kBase);
  }
}

TEST(StagingView, ConfirmedDiscards) {
  ViewRun r;
  two_files(r);
  r.open();
  r.press("<C-j>nd");
  r.press("y");
  EXPECT_EQ(r.t.read("f.txt"), kFirst);
  EXPECT_FALSE(r.s->state.pending_discard);

  // The whole file: the message names it, and the view stays for a.txt.
  r.press("D");
  EXPECT_EQ(r.s->state.pending_discard, std::make_pair(std::string("f.txt"), DiscardKind::FileChanges));
  r.press("y");
  EXPECT_EQ(r.t.read("f.txt"), kBase);
  EXPECT_EQ(r.message(), "discarded f.txt");
  EXPECT_EQ(r.view().selected_path, "a.txt");

  // The last change: the view closes and says why instead.
  r.press("Dy");
  EXPECT_EQ(r.t.read("a.txt"), "a\n");
  EXPECT_FALSE(r.s->state.commit_view);
  EXPECT_EQ(r.message(), "all changes staged/unstaged");
}

TEST(StagingView, DOnAnUntrackedFileDeletesOnlyIt) {
  ViewRun r;
  r.t.write("a.txt", "a\n").commit("base");
  r.t.write("a.txt", "A\n").write("new.txt", "fresh\n").write("newer.txt", "fresher\n");
  r.open();
  r.press("<C-j>");
  ASSERT_EQ(r.view().selected_path, "new.txt");
  r.press("d");  // no hunk discard for an untracked file
  EXPECT_FALSE(r.s->state.pending_discard);
  r.press("D");
  EXPECT_EQ(r.s->state.pending_discard, std::make_pair(std::string("new.txt"), DiscardKind::UntrackedFile));
  r.press("y");
  EXPECT_FALSE(exists(r, "new.txt"));
  EXPECT_EQ(r.t.read("newer.txt"), "fresher\n");
  EXPECT_EQ(r.t.read("a.txt"), "A\n");
  EXPECT_EQ(r.message(), "deleted new.txt");
  EXPECT_EQ(r.view().selected_path, "newer.txt");
}

TEST(StagingView, KeysBoundToTheOtherListDoNothing) {
  ViewRun r;
  two_files(r);
  r.t.git({"add", "f.txt"});
  r.t.write("f.txt", numbered(1, 40, "", {{3, "three"}, {20, "twenty"}, {35, "thirtyfive"}}));
  r.open();
  const std::string index = r.t.index_listing();
  const std::string work = r.t.read("f.txt");

  r.press("<C-l>");  // f.txt in the staged list
  ASSERT_EQ(r.view().selected_path, "f.txt");
  r.press("SsdD");
  EXPECT_FALSE(r.s->state.pending_discard);
  r.press("<C-h><C-j>");  // f.txt in the unstaged list
  ASSERT_EQ(r.view().selected_path, "f.txt");
  r.press("Uu");
  EXPECT_EQ(r.t.index_listing(), index);
  EXPECT_EQ(r.t.read("f.txt"), work);
  EXPECT_FALSE(r.s->state.status_message);
}

TEST(StagingView, FocusAndFileKeys) {
  ViewRun r;
  r.t.write("a.txt", "a\n").write("b.txt", "b\n").commit("base");
  r.t.write("a.txt", "A\n").write("b.txt", "B\n").write("c.txt", "c\n");
  r.t.git({"add", "b.txt"});
  r.t.write("b.txt", "BB\n");
  r.open();  // unstaged a b c, staged b
  r.press("<C-j><C-j>");
  EXPECT_EQ(r.view().selected_path, "c.txt");

  // Ctrl-j on the last file: back to the top of it, the colouring left alone.
  r.view().diff_scroll = 3;
  r.view().staging_highlight->path = "marker";
  r.press("<C-j>");
  EXPECT_EQ(r.view().unstaged_index, 2u);
  EXPECT_EQ(r.view().diff_scroll, 0u);
  EXPECT_EQ(r.view().staging_highlight->path, "marker");
  r.press("<C-k>");
  EXPECT_EQ(r.view().selected_path, "b.txt");
  EXPECT_EQ(r.view().staging_highlight->path, "b.txt");

  // h twice: the staged list's own selection, then back.
  r.view().diff_scroll = 2;
  r.press("h");
  EXPECT_TRUE(r.view().staged_focus);
  EXPECT_EQ(r.view().selected_path, "b.txt");
  EXPECT_EQ(r.view().diff_scroll, 0u);
  r.press("h");
  EXPECT_FALSE(r.view().staged_focus);
  EXPECT_EQ(r.view().unstaged_index, 1u);
  EXPECT_EQ(r.view().selected_path, "b.txt");

  // Ctrl-k on the first file does nothing at all.
  r.press("<C-k><C-k>");
  EXPECT_EQ(r.view().selected_path, "a.txt");
  r.view().diff_scroll = 1;
  r.view().staging_highlight->path = "marker";
  r.press("<C-k>");
  EXPECT_EQ(r.view().diff_scroll, 1u);
  EXPECT_EQ(r.view().staging_highlight->path, "marker");

  // Ctrl-h with the unstaged list focused still reselects.
  r.press("<C-h>");
  EXPECT_EQ(r.view().diff_scroll, 0u);
  EXPECT_EQ(r.view().staging_highlight->path, "a.txt");
}

TEST(StagingView, ScrollKeysStayWithinTheFile) {
  ViewRun r;
  two_files(r);
  r.open();
  r.press("<C-j>");  // two hunks of 7 lines: starts 0 and 8, 15 rows
  r.press("G");
  EXPECT_EQ(r.view().diff_scroll, 8u);  // the last hunk's start; 15 rows fit the keys' 12
  r.press("jjj");
  EXPECT_EQ(r.view().diff_scroll, 8u);
  r.press("kkk");
  EXPECT_EQ(r.view().diff_scroll, 5u);
  r.press("nnn");
  EXPECT_EQ(r.view().diff_scroll, 8u);
  r.press("N");
  EXPECT_EQ(r.view().diff_scroll, 0u);
  r.press("<C-d>");
  EXPECT_EQ(r.view().diff_scroll, 6u);  // half of 12
  r.press("<C-u><C-u>g");
  EXPECT_EQ(r.view().diff_scroll, 0u);
}

// c.txt conflicted in three blocks of one line a side.
void three_conflicts(ViewRun& r) {
  app_testing::stop_merge_on_conflict(r.t, "c.txt", numbered(1, 30),
                                      numbered(1, 30, "", {{2, "main 2"}, {15, "main 15"}, {28, "main 28"}}),
                                      numbered(1, 30, "", {{2, "side 2"}, {15, "side 15"}, {28, "side 28"}}));
}

TEST(StagingView, DigitsTakeOneSideOfTheSectionUnderTheCursor) {
  ViewRun r;
  three_conflicts(r);
  r.open();
  ASSERT_EQ(r.view().selected_path, "c.txt");
  ASSERT_EQ(r.view().unstaged[0].conflict_sections.size(), 3u);
  r.press("D");  // never for a conflicted file
  EXPECT_FALSE(r.s->state.pending_discard);

  r.view().diff_scroll = 4;  // the blank row after the first section
  r.press("1");
  EXPECT_EQ(r.view().unstaged[0].conflict_sections.size(), 2u);
  EXPECT_EQ(r.view().diff_scroll, 0u);  // the two left fit: no scroll is left to keep
  r.press("2");                         // now the first section left: the one of line 15
  EXPECT_EQ(r.view().resolved_sections.at("c.txt"), 2u);
  const std::string text = r.t.read("c.txt");
  EXPECT_TRUE(text.starts_with("1\nmain 2\n3\n")) << text;
  EXPECT_NE(text.find("\n14\nside 15\n16\n"), std::string::npos) << text;
  EXPECT_NE(text.find("<<<<<<< HEAD\nmain 28\n=======\nside 28\n>>>>>>> side\n"), std::string::npos) << text;

  // n and N go by section starts; the last section is under the cursor past the end.
  r.press("Gn");
  r.press("2");
  EXPECT_EQ(r.view().resolved_sections.at("c.txt"), 3u);
  EXPECT_NE(r.t.read("c.txt").find("\n27\nside 28\n29\n"), std::string::npos);
  EXPECT_TRUE(r.view().unstaged[0].conflict_sections.empty());
  // Staging the file is what marks it resolved.
  r.press("S");
  EXPECT_EQ(r.t.git({"ls-files", "-u"}), "");
  EXPECT_EQ(r.view().resolved_sections.at("c.txt"), 3u);
}

// S and s never mark a file resolved while conflict sections stand in it:
// the markers would be staged and then committed.
TEST(StagingView, AConflictedFileStagesOnlyWithoutSectionsLeft) {
  ViewRun r;
  three_conflicts(r);
  r.open();
  const std::string unmerged = r.t.git({"ls-files", "-u"});
  ASSERT_NE(unmerged, "");
  for (const char* key : {"S", "s"}) {
    SCOPED_TRACE(key);
    r.press(key);
    EXPECT_EQ(r.message(), "3 conflicts left in c.txt: take a side with 1 or 2");
    EXPECT_EQ(r.t.git({"ls-files", "-u"}), unmerged);
  }
  r.press("1");
  r.press("S");
  EXPECT_EQ(r.message(), "2 conflicts left in c.txt: take a side with 1 or 2");
  EXPECT_EQ(r.t.git({"ls-files", "-u"}), unmerged);

  // Resolved by hand since the lists were loaded: it stages as it is.
  const std::string resolved = numbered(1, 30, "", {{2, "main 2"}, {15, "by hand"}, {28, "side 28"}});
  r.t.write("c.txt", resolved);
  r.press("S");
  EXPECT_EQ(r.t.git({"ls-files", "-u"}), "");
  EXPECT_EQ(r.index_text("c.txt"), resolved);
}

TEST(StagingView, AConflictWithoutSectionsStagesAsBefore) {
  ViewRun r;
  r.t.write("keep.txt", "k\n").write("c.txt", "base\n").commit("base");
  r.t.git({"checkout", "-q", "-b", "side"});
  r.t.write("c.txt", "side\n").commit("side");
  r.t.git({"checkout", "-q", "main"});
  r.t.remove("c.txt").commit("main");
  ASSERT_FALSE(r.t.git_result({"merge", "side"}).success());
  ASSERT_NE(r.t.git({"ls-files", "-u"}), "");
  r.open();
  ASSERT_EQ(r.view().selected_path, "c.txt");
  r.press("S");
  EXPECT_EQ(r.t.git({"ls-files", "-u"}), "");
  EXPECT_EQ(r.index_text("c.txt"), "side\n");
}

TEST(StagingView, CommitKeyBeforeTheCommitFlow) {
  ViewRun r;
  two_files(r);
  r.open();
  r.press("c");
  EXPECT_EQ(r.message(), "nothing staged to commit");

  r.s->state.rebase_in_progress = true;
  r.press("c");
  EXPECT_EQ(r.message(), "stage all changes before continuing rebase");
  EXPECT_TRUE(r.s->state.commit_view);
}

TEST(StagingView, ClosingDuringAStoppedRebaseAbortsIt) {
  ViewRun r;
  r.t.write("f.txt", "base\n").commit("base");
  r.t.git({"checkout", "-q", "-b", "topic"});
  r.t.write("f.txt", "topic\n").commit("topic");
  r.t.git({"checkout", "-q", "main"});
  r.t.write("f.txt", "main\n").commit("main");
  r.t.git({"checkout", "-q", "topic"});
  ASSERT_FALSE(r.t.git_result({"rebase", "main"}).success());
  ASSERT_TRUE(exists(r, ".git/rebase-merge"));
  r.open();
  r.s->state.rebase_in_progress = true;
  r.s->state.rebase_branch = "topic";
  r.s->state.rebase_onto_input = "main";
  r.press("q");
  EXPECT_FALSE(r.s->state.commit_view);
  EXPECT_FALSE(r.s->state.rebase_in_progress);
  EXPECT_EQ(r.s->state.rebase_branch, "");
  EXPECT_EQ(r.s->state.rebase_onto_input, "");
  EXPECT_EQ(r.message(), "rebase aborted");
  EXPECT_FALSE(exists(r, ".git/rebase-merge"));
  EXPECT_EQ(r.t.git({"symbolic-ref", "HEAD"}), "refs/heads/topic\n");
  EXPECT_EQ(r.t.read("f.txt"), "topic\n");
}

// An editor that writes its arguments into a file beside it, then exits
// with the given status.
std::string fake_editor(const testing_support::TempDir& dir, int status) {
  const std::string path = dir.path() + "/editor";
  std::ofstream(path) << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" << dir.path() << "/args'\nexit " << status
                      << "\n";
  ::chmod(path.c_str(), 0755);
  return path;
}

class ScopedEditor {
 public:
  explicit ScopedEditor(const std::string& value) {
    if (const char* old = std::getenv("EDITOR")) old_ = old;
    ::setenv("EDITOR", value.c_str(), 1);
  }
  ~ScopedEditor() {
    if (old_)
      ::setenv("EDITOR", old_->c_str(), 1);
    else
      ::unsetenv("EDITOR");
  }

 private:
  std::optional<std::string> old_;
};

// Opened through its .git directory, the repository's work tree is where
// git restores a file.
TEST(StagingView, DiscardsInTheWorkTreeWhenOpenedThroughTheGitDirectory) {
  ViewRun r;
  two_files(r);
  r.open(r.t.path() + "/.git");
  ASSERT_EQ(r.view().selected_path, "a.txt");
  r.press("Dy");
  EXPECT_EQ(r.message(), "discarded a.txt");
  EXPECT_EQ(r.t.read("a.txt"), "a\n");
  EXPECT_EQ(r.t.git({"status", "--porcelain"}), " M f.txt\n");
}

TEST(StagingView, OpensTheFileOfTheWorkTreeInTheEditor) {
  ViewRun r;
  two_files(r);
  testing_support::TempDir dir;
  {
    ScopedEditor editor(fake_editor(dir, 0));
    r.open(r.t.path() + "/.git");  // the repository named by its .git directory
    r.press("<C-j>o");
  }
  std::ifstream in(dir.path() + "/args");
  std::string arg;
  std::getline(in, arg);
  EXPECT_EQ(arg, r.s->repo.workdir + "/f.txt");
  EXPECT_FALSE(r.s->state.status_message);
  EXPECT_EQ(r.s->backend.suspends(), 1);
  EXPECT_EQ(r.s->backend.resumes(), 1);

  ScopedEditor failing(fake_editor(dir, 1));
  r.press("o");
  EXPECT_EQ(r.message(), "editor exited with error");
  // An editor with arguments, as git runs it: its words split, the file
  // after them.
  std::filesystem::remove(dir.path() + "/args");
  ScopedEditor words(fake_editor(dir, 0) + " --wait");
  r.s->state.status_message.reset();
  r.press("o");
  EXPECT_FALSE(r.s->state.status_message) << r.message();
  EXPECT_EQ(testing_support::read_file(dir.path() + "/args"), "--wait\n" + r.s->repo.workdir + "/f.txt\n");

  ScopedEditor missing("/nonexistent/editor");
  r.press("o");
  EXPECT_EQ(r.message(), "failed to open editor: No such file or directory (os error 2)");
}

}  // namespace

namespace {

TEST(StagingHighlight, ColoursWhatThePreviewReachesAsAWholeRunWould) {
  app_testing::ViewRun r;
  std::string base, changed;
  for (int i = 0; i < 3000; ++i) {
    base += "int v" + std::to_string(i) + " = " + std::to_string(i) + ";\n";
    changed += "int v" + std::to_string(i) + " = " + std::to_string(i + 1) + "; /* next */\n";
  }
  r.t.write("big.c", base).commit("base");
  r.t.write("big.c", changed);
  r.open();
  const std::vector<repo::Hunk>& hunks = r.view().unstaged[0].unstaged_hunks;
  std::size_t lines = 0;
  for (const repo::Hunk& h : hunks) lines += h.lines.size();
  ASSERT_GT(lines, 5000u);
  const highlight::HighlightedFile whole = highlight::Highlighter().highlight_hunks(hunks, "big.c");

  // What a rebuild colours is the file's first rows, as the whole run colours them.
  const auto& colours = r.view().staging_highlight->unstaged;
  ASSERT_GE(colours.lines.size(), 24u);
  ASSERT_LT(colours.lines.size(), 1000u);
  for (std::size_t i = 0; i < colours.lines.size(); ++i) ASSERT_EQ(colours.lines[i], whole.lines[i]) << i;

  // Scrolled far down, the frame's window gets coloured, still as one run.
  r.view().diff_scroll = 4000;
  action::highlight_staging_window(r.s->state, {100, 40});
  const auto& further = r.view().staging_highlight->unstaged;
  ASSERT_GE(further.lines.size(), 4000u + 39u - 1u);
  ASSERT_LT(further.lines.size(), 4100u);
  for (std::size_t i = 0; i < further.lines.size(); ++i) ASSERT_EQ(further.lines[i], whole.lines[i]) << i;
}

}  // namespace
