// What the staging view shows after its lists are reloaded: a preview never
// scrolled past what the keys can reach, file windows without empty rows
// while files are hidden above, and lists that show what is on disk after
// an operation failed because the file changed or whose failure may have
// changed it all the same.

#include <gtest/gtest.h>

#include "commit_view_fixture.hpp"
#include "support/fake_programs.hpp"
#include "support/frames.hpp"
#include "support/screen.hpp"

namespace {

using app_testing::ViewRun;
using testing_support::numbered;

const std::string kBase = numbered(1, 40);
const std::string kBoth = numbered(1, 40, "", {{3, "three"}, {35, "thirtyfive"}});
const std::string kFirst = numbered(1, 40, "", {{3, "three"}});

// The last hunk taken away at the bottom of the preview: the scroll comes
// back to what is left, so the preview shows it and d offers it.
TEST(StagingViewReload, ThePreviewNeverStaysScrolledPastItsEnd) {
  ViewRun r;
  r.t.write("f.txt", kBase).commit("base");
  r.t.write("f.txt", kBoth);
  r.open();
  r.press("G");
  ASSERT_GT(r.view().diff_scroll, 0u);
  r.press("dy");
  ASSERT_EQ(r.t.read("f.txt"), kFirst);
  ASSERT_EQ(r.view().unstaged.at(0).unstaged_hunks.size(), 1u);
  EXPECT_EQ(r.view().diff_scroll, 0u);
  EXPECT_NE(r.s->screen().find("three"), std::string::npos) << r.s->screen();
  r.press("dy");
  EXPECT_EQ(r.t.read("f.txt"), kBase);
}

// A file list that gets shorter at the bottom moves its window up rather
// than leave empty rows while files are hidden above.
TEST(StagingViewReload, AShorterListShowsAFullWindow) {
  ViewRun r;
  r.t.write("base.txt", "b\n").commit("base");
  for (int i = 1; i <= 8; ++i) r.t.write("f" + std::to_string(i) + ".txt", "x\n");
  r.open();
  r.press("<C-j><C-j><C-j><C-j><C-j><C-j><C-j>");
  ASSERT_EQ(r.view().selected_path, "f8.txt");
  ASSERT_EQ(r.view().unstaged_list_scroll, 3u);
  r.press("S");
  ASSERT_EQ(r.view().unstaged.size(), 7u);
  EXPECT_EQ(r.view().selected_path, "f7.txt");
  EXPECT_EQ(r.view().unstaged_list_scroll, 2u);
  EXPECT_NE(r.s->screen().find("f3.txt"), std::string::npos) << r.s->screen();
}

// A hunk staged from lists that another program's git add made stale no
// longer matches the index: the failure says so and the lists are loaded
// again, so the next key acts on what is there.
TEST(StagingViewReload, AHunkThatNoLongerMatchesReloadsTheLists) {
  ViewRun r;
  r.t.write("a.txt", "a\n").write("f.txt", kBase).commit("base");
  r.t.write("a.txt", "A\n").write("f.txt", kBoth);
  r.open();
  r.press("<C-j>");
  ASSERT_EQ(r.view().selected_path, "f.txt");
  r.t.git({"add", "f.txt"});
  r.press("s");
  EXPECT_EQ(r.message(), "failed to stage hunk: could not find hunk location in file");
  EXPECT_EQ(r.index_text("f.txt"), kBoth);
  ASSERT_EQ(r.view().unstaged.size(), 1u);
  EXPECT_EQ(r.view().unstaged[0].path, "a.txt");
  ASSERT_EQ(r.view().staged.size(), 1u);
  EXPECT_EQ(r.view().staged[0].path, "f.txt");
  EXPECT_EQ(r.view().selected_path, "a.txt");
}

// git restored the file but reported a failure (a full disk, say): the
// message stays git's, and the lists show what is on disk.
TEST(StagingViewReload, AFailedDiscardReloadsTheLists) {
  ViewRun r;
  r.t.write("a.txt", "a\n").write("f.txt", kBase).commit("base");
  r.t.write("a.txt", "A\n").write("f.txt", kBoth);
  r.open();
  r.press("<C-j>");
  testing_support::FakePrograms programs(testing_support::FakePrograms::BeforeSystem);
  programs.add("git", "git \"$@\"\necho 'error: unable to write file f.txt: Out of diskspace' >&2\nexit 1");
  r.press("Dy");
  EXPECT_EQ(r.t.read("f.txt"), kBase);
  EXPECT_EQ(r.message(),
            "failed to discard: git checkout failed: error: unable to write file f.txt: Out of diskspace");
  ASSERT_TRUE(r.s->state.commit_view);
  ASSERT_EQ(r.view().unstaged.size(), 1u);
  EXPECT_EQ(r.view().unstaged[0].path, "a.txt");
  EXPECT_EQ(r.view().selected_path, "a.txt");
}

}  // namespace
