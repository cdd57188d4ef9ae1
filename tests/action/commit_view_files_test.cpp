// Files the staging view meets in real work trees: line-ending filters,
// emptied and binary files, names that would drive the terminal, and
// conflicts with wider markers.

#include <gtest/gtest.h>

#include <filesystem>

#include "commit_view_fixture.hpp"
#include "support/frames.hpp"
#include "support/screen.hpp"

namespace {

using app_testing::ViewRun;
using testing_support::numbered;
using testing_support::screen_text;

// Frames drawn at 100 x 30.
constexpr tui::Size kScreen{100, 30};

const std::string kCrlfBoth = numbered(1, 40, "", {{3, "three"}, {35, "thirtyfive"}}, "\r\n");

// f.txt stored with LF, checked out with CRLF, changed in two places.
void crlf_file(ViewRun& r) {
  r.t.write(".gitattributes", "*.txt eol=crlf\n").write("f.txt", numbered(1, 40)).commit("base");
  r.t.git({"rm", "-q", "--cached", "f.txt"});
  r.t.git({"reset", "-q", "--hard"});  // the work tree gets its CRLF endings
  ASSERT_EQ(r.t.read("f.txt"), numbered(1, 40, "", {}, "\r\n"));
  r.t.write("f.txt", kCrlfBoth);
  r.open();
  ASSERT_EQ(r.view().selected_path, "f.txt");
  ASSERT_EQ(r.view().unstaged[0].unstaged_hunks.size(), 2u);
  (void)r.s->next_frame(kScreen);
}

TEST(StagingViewFiles, CrlfFileUnderEolCrlfStagesAndUnstagesOneHunk) {
  ViewRun r;
  crlf_file(r);
  r.press("s");
  EXPECT_EQ(r.message(), "");
  EXPECT_EQ(r.index_text("f.txt"), numbered(1, 40, "", {{3, "three"}}));
  EXPECT_EQ(r.t.read("f.txt"), kCrlfBoth);
  r.press("<C-l>u");
  EXPECT_EQ(r.message(), "");
  EXPECT_EQ(r.index_text("f.txt"), numbered(1, 40));
  EXPECT_EQ(r.t.read("f.txt"), kCrlfBoth);
}

TEST(StagingViewFiles, CrlfFileUnderEolCrlfDiscardsOneHunk) {
  ViewRun r;
  crlf_file(r);
  r.press("nd");
  r.press("y");
  EXPECT_EQ(r.message(), "");
  EXPECT_EQ(r.t.read("f.txt"), numbered(1, 40, "", {{3, "three"}}, "\r\n"));
  EXPECT_EQ(r.index_text("f.txt"), numbered(1, 40));
}

TEST(StagingViewFiles, EmptiedFilesUnderLineEndingFilters) {
  for (const char* attributes : {"* text=auto\n", "*.txt eol=crlf\n"}) {
    SCOPED_TRACE(attributes);
    ViewRun r;
    r.t.write(".gitattributes", attributes).write("f.txt", "one\ntwo\n").commit("base");
    r.t.write("f.txt", "");
    r.open();
    ASSERT_EQ(r.view().selected_path, "f.txt");
    const tui::Buffer buf = r.s->next_frame(kScreen);
    EXPECT_NE(screen_text(buf).find("f.txt"), std::string::npos);
    r.press("S");
    EXPECT_EQ(r.message(), "");
    EXPECT_EQ(r.index_text("f.txt"), "");
  }
}

TEST(StagingViewFiles, UntrackedBinaryFileIsListedWithoutHunks) {
  ViewRun r;
  r.t.write("a.txt", "a\n").commit("base");
  r.t.write("blob.bin", std::string("\x00\x01\xff\xfe\x00 binary", 12)).write("keep.txt", "keep\n");
  r.open();
  ASSERT_EQ(r.view().selected_path, "blob.bin");
  EXPECT_TRUE(r.view().unstaged[0].unstaged_hunks.empty());
  EXPECT_NE(screen_text(r.s->next_frame(kScreen)).find("No unstaged changes"), std::string::npos);
  r.press("s");  // nothing to stage by hunk
  EXPECT_EQ(r.t.git({"ls-files", "--", "blob.bin"}), "");
  r.press("Dy");
  EXPECT_FALSE(std::filesystem::exists(r.t.file_path("blob.bin")));
  EXPECT_EQ(r.t.read("keep.txt"), "keep\n");
  EXPECT_EQ(r.message(), "deleted blob.bin");
}

TEST(StagingViewFiles, UntrackedFileAboveTheLimitIsListedWithoutHunks) {
  ViewRun r;
  r.t.write("a.txt", "a\n").commit("base");
  std::string big;
  while (big.size() <= 1024 * 1024) big += "a line of text that goes on and on\n";
  r.t.write("big.log", big).write("keep.txt", "keep\n");
  r.open();
  ASSERT_EQ(r.view().selected_path, "big.log");
  EXPECT_TRUE(r.view().unstaged[0].unstaged_hunks.empty());
  EXPECT_NE(screen_text(r.s->next_frame(kScreen)).find("big.log"), std::string::npos);
  r.press("Dy");
  EXPECT_FALSE(std::filesystem::exists(r.t.file_path("big.log")));
  EXPECT_EQ(r.t.read("keep.txt"), "keep\n");
  EXPECT_EQ(r.message(), "deleted big.log");
}

TEST(StagingViewFiles, NamesThatWouldDriveTheTerminalShowAsPlaceholders) {
  ViewRun r;
  r.t.write("a.txt", "a\n").commit("base");
  const std::string escape = "esc\x1b[2Jape.txt";
  const std::string bidi = "bidi\u202Etxt.exe";
  r.t.write(escape, "e\n").write(bidi, "b\n");
  r.open();
  ASSERT_EQ(r.view().unstaged.size(), 2u);
  r.press("<C-j>");
  const tui::Buffer buf = r.s->next_frame(kScreen);
  const std::string text = screen_text(buf);
  EXPECT_NE(text.find("esc␛[2Jape.txt"), std::string::npos) << text;
  EXPECT_NE(text.find("bidi\xEF\xBF\xBDtxt.exe"), std::string::npos) << text;
  for (const tui::Cell& cell : buf.cells()) {
    EXPECT_EQ(cell.symbol.find('\x1b'), std::string::npos);
    EXPECT_EQ(cell.symbol.find("\u202E"), std::string::npos);
  }
  // The name itself is acted on unchanged.
  ASSERT_EQ(r.view().selected_path, escape);
  r.press("Dy");
  EXPECT_FALSE(std::filesystem::exists(r.t.file_path(escape)));
  EXPECT_EQ(r.t.read(bidi), "b\n");
}

TEST(StagingViewFiles, ConflictWithWiderMarkers) {
  ViewRun r;
  r.t.write(".gitattributes", "c.txt conflict-marker-size=10\n");
  app_testing::stop_merge_on_conflict(r.t, "c.txt", "top\nmid\nend\n", "top\nours\nend\n",
                                      "top\ntheirs\nend\n");
  ASSERT_NE(r.t.read("c.txt").find("<<<<<<<<<< "), std::string::npos);
  r.open();
  ASSERT_EQ(r.view().selected_path, "c.txt");
  ASSERT_EQ(r.view().unstaged[0].conflict_sections.size(), 1u);
  EXPECT_NE(screen_text(r.s->next_frame(kScreen)).find("conflict 1 of 1"), std::string::npos);
  r.press("2");
  EXPECT_EQ(r.t.read("c.txt"), "top\ntheirs\nend\n");
  r.press("S");
  EXPECT_EQ(r.t.git({"ls-files", "-u"}), "");
  EXPECT_EQ(r.index_text("c.txt"), "top\ntheirs\nend\n");
}

}  // namespace
