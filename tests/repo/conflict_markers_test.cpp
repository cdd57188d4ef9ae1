#include "repo/conflict_markers.hpp"

#include <gtest/gtest.h>

#include "repo/file_lines.hpp"
#include "support/temp_repo.hpp"

namespace {

using repo::ConflictSection;
using repo::parse_conflict_sections;
using repo::scan_conflict_blocks;
using testing_support::TempRepo;

using Lines = std::vector<std::string>;

TEST(FileLines, EndingsAreDroppedAndAFinalLineFeedStartsNoLine) {
  struct Case {
    std::string text;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"\n", {""}},
      {"a", {"a"}},
      {"a\nb\n", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\r\nb\r", {"a\r", "b\r"}},  // one CR before the LF only; none without a LF
      {"a\n\nb", {"a", "", "b"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    Lines got;
    std::size_t pos = 0;
    for (const auto& line : repo::split_file_lines(c.text)) {
      got.emplace_back(line.text);
      EXPECT_EQ(line.begin, pos);
      pos = line.end;
    }
    EXPECT_EQ(got, c.lines);
    EXPECT_EQ(pos, c.text.size());
  }
}

TEST(ConflictMarkers, HandWrittenBlocks) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<ConflictSection> sections;
  };
  const Case cases[] = {
      {"plain block", "x\n<<<<<<< HEAD\na\n=======\nb\n>>>>>>> topic\ny\n", {{{"a"}, {"b"}}}},
      {"bare markers", "<<<<<<<\na\n=======\nb\n>>>>>>>\n", {{{"a"}, {"b"}}}},
      {"six '<' is text", "<<<<<< HEAD\na\n=======\nb\n>>>>>>> topic\n", {}},
      {"run glued to text is no marker", "<<<<<<<HEAD\na\n=======\nb\n>>>>>>> t\n", {}},
      {"stray closers and separators outside",
       "=======\n>>>>>>> t\n<<<<<<< H\na\n=======\nb\n>>>>>>> t\n=======\n",
       {{{"a"}, {"b"}}}},
      {"unclosed block", "<<<<<<< H\na\n=======\nb\n", {}},
      {"second block unclosed",
       "<<<<<<< H\na\n=======\nb\n>>>>>>> t\n<<<<<<< H\nc\n=======\n",
       {{{"a"}, {"b"}}}},
      {"opening line inside a block starts afresh",
       "<<<<<<< H\na\n<<<<<<< H\nb\n=======\nc\n>>>>>>> t\n",
       {{{"b"}, {"c"}}}},
      {"underline is text",
       "<<<<<<< H\nTitle\n=========\na\n=======\nb\n>>>>>>> t\n",
       {{{"Title", "=========", "a"}, {"b"}}}},
      {"separator with a trailing word", "<<<<<<< H\na\n======= x\nb\n>>>>>>> t\n", {{{"a"}, {"b"}}}},
      {"longer closer is text", "<<<<<<< H\na\n=======\n>>>>>>>> b\n>>>>>>> t\n", {{{"a"}, {">>>>>>>> b"}}}},
      {"base section dropped",
       "<<<<<<< H\na\nb\n||||||| base\nc\n=======\nd\n>>>>>>> t\n",
       {{{"a", "b"}, {"d"}}}},
      {"base marker on the theirs side is text",
       "<<<<<<< H\na\n=======\n||||||| x\nd\n>>>>>>> t\n",
       {{{"a"}, {"||||||| x", "d"}}}},
      {"inner markers of a recursive merge stay in the base",
       "<<<<<<< H\na\n||||||| merged common ancestors\n<<<<<<<<< Temporary merge branch 1\np\n=========\nq\n"
       ">>>>>>>>> Temporary merge branch 2\n=======\nb\n>>>>>>> t\n",
       {{{"a"}, {"b"}}}},
      {"marker size from the opening run",
       "<<<<<<<<<< H\na\n=======\n<<<<<<< not a marker\n==========\nb\n>>>>>>> no\n>>>>>>>>>> t\n",
       {{{"a", "=======", "<<<<<<< not a marker"}, {"b", ">>>>>>> no"}}}},
      {"stray shorter opening line before a wide block",
       "<<<<<<< doc\n<<<<<<<<<< H\na\n==========\nb\n>>>>>>>>>> t\n",
       {{{"a"}, {"b"}}}},
      {"unclosed wide block before a block",
       "<<<<<<<<< H\nx\n<<<<<<< H\na\n=======\nb\n>>>>>>> t\n",
       {{{"a"}, {"b"}}}},
      {"opening line whose size never closes is text",
       "<<<<<<< a\n<<<<<<<<<< b\nx\n==========\ny\n>>>>>>>>>> c\n<<<<<<< d\n",
       {{{"x"}, {"y"}}}},
      {"second separator belongs to theirs",
       "<<<<<<< H\na\n=======\nb\n=======\nc\n>>>>>>> t\n",
       {{{"a"}, {"b", "=======", "c"}}}},
      {"closer on the ours side", "<<<<<<< H\na\n>>>>>>> t\n", {{{"a"}, {}}}},
      {"empty sides, no final line feed", "<<<<<<< H\n=======\n>>>>>>> t", {{{}, {}}}},
      {"CRLF endings", "<<<<<<< H\r\na\r\n=======\r\nb\r\n>>>>>>> t\r\n", {{{"a"}, {"b"}}}},
      {"two blocks",
       "<<<<<<< H\na\n=======\nb\n>>>>>>> t\nmid\n<<<<<<< H\n=======\nc\n>>>>>>> t\n",
       {{{"a"}, {"b"}}, {{}, {"c"}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parse_conflict_sections(c.text), c.sections);
  }
}

// Opening lines that can never be closed, each followed by a base marker:
// every line is read a bounded number of times, not once per opening line.
TEST(ConflictMarkers, ManyUnclosedBlocksAreText) {
  std::string text = "<<<<<<< H\na\n=======\nb\n>>>>>>> t\n";
  for (int i = 0; i < 40000; ++i) text += "<<<<<<< x\n|||||||\n";
  EXPECT_EQ(parse_conflict_sections(text), (std::vector<ConflictSection>{{{"a"}, {"b"}}}));
}

// Replaces every block by one side, from the byte ranges alone.
std::string take_side(const std::string& text, bool ours) {
  std::string out;
  std::size_t pos = 0;
  for (const auto& b : scan_conflict_blocks(text)) {
    out.append(text, pos, b.begin - pos);
    if (ours)
      out.append(text, b.ours_begin, b.ours_end - b.ours_begin);
    else
      out.append(text, b.theirs_begin, b.theirs_end - b.theirs_begin);
    pos = b.end;
  }
  out.append(text, pos, std::string::npos);
  return out;
}

TEST(ConflictMarkers, BlocksReportTheirLinesAndBytes) {
  const std::string text =
      "top\r\n<<<<<<< HEAD\r\na\r\n||||||| base\r\nold\r\n=======\r\nb\r\nc\r\n>>>>>>> t\r\n<<<<<<< open\r\n"
      "kept\r\n<<<<<<<<< HEAD\r\nd\r\n=========\r\n>>>>>>>>> t\r\nend";
  const auto blocks = scan_conflict_blocks(text);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].marker_size, 7u);
  EXPECT_EQ(blocks[0].first_line, 1u);
  EXPECT_EQ(blocks[0].last_line, 8u);
  EXPECT_EQ(blocks[1].marker_size, 9u);
  EXPECT_EQ(blocks[1].first_line, 11u);
  EXPECT_EQ(blocks[1].last_line, 14u);
  EXPECT_EQ(blocks[1].section, (ConflictSection{{"d"}, {}}));
  // Everything outside the blocks, the unclosed opening line included,
  // survives byte for byte.
  EXPECT_EQ(take_side(text, true), "top\r\na\r\n<<<<<<< open\r\nkept\r\nd\r\nend");
  EXPECT_EQ(take_side(text, false), "top\r\nb\r\nc\r\n<<<<<<< open\r\nkept\r\nend");
}

// Real conflicts written by git in each conflict style; `git merge-file`
// with --ours / --theirs is the oracle for taking one side of every block.
class GitConflicts : public testing::TestWithParam<const char*> {};

TEST_P(GitConflicts, SectionsMatchGitsOwnResolution) {
  const std::string style = GetParam();
  TempRepo t;
  std::string base, ours, theirs;
  for (int i = 0; i < 30; ++i) base += "line " + std::to_string(i) + "\n";
  ours = theirs = base;
  auto replace = [](std::string& s, const std::string& from, const std::string& to) {
    s.replace(s.find(from), from.size(), to);
  };
  replace(ours, "line 3\n", "ours 3\nTitle\n==========\n");
  replace(theirs, "line 3\n", "theirs 3\n");
  replace(ours, "line 10\nline 11\n", "ours 10\nline 11\n");
  replace(theirs, "line 10\nline 11\n", "theirs 10\ntheirs 11\nextra\n");
  replace(theirs, "line 20\n", "clean change\n");
  replace(ours, "line 25\nline 26\nline 27\n", "line 25\nsame\nours 27\n");
  replace(theirs, "line 25\nline 26\nline 27\n", "line 25\nsame\ntheirs 27\n");

  // A file given a wider marker may hold git's usual markers as text.
  std::string wide_ours = ours;
  replace(wide_ours, "ours 3\n", "ours 3\n<<<<<<< doc\n=======\n>>>>>>> doc\n");

  t.write("f.txt", base)
      .write("wide.txt", base)
      .write(".gitattributes", "wide.txt conflict-marker-size=12\n");
  t.commit("base");
  t.git({"checkout", "-q", "-b", "topic"});
  t.write("f.txt", theirs).write("wide.txt", theirs).commit("theirs");
  t.git({"checkout", "-q", "main"});
  t.write("f.txt", ours).write("wide.txt", wide_ours).commit("ours");
  auto merge = t.git_result({"-c", "merge.conflictStyle=" + style, "merge", "-q", "topic"});
  ASSERT_FALSE(merge.success());

  const std::string stages = t.path() + "/../stages/";
  for (const std::string name : {"f.txt", "wide.txt"}) {
    SCOPED_TRACE(name);
    const bool wide = name == "wide.txt";
    const std::string text = t.read(name);
    EXPECT_EQ(text.find(wide ? "||||||||||||" : "|||||||") != std::string::npos, style != "merge");
    const auto blocks = scan_conflict_blocks(text);
    EXPECT_EQ(blocks.size(), 3u) << text;
    for (const auto& b : blocks) EXPECT_EQ(b.marker_size, wide ? 12u : 7u);

    for (const char* stage : {"1", "2", "3"})
      t.write("../stages/" + std::string(stage), t.git({"show", std::string(":") + stage + ":" + name}));
    for (bool take_ours : {true, false}) {
      auto want = t.git_result(
          {"merge-file", "-p", take_ours ? "--ours" : "--theirs", stages + "2", stages + "1", stages + "3"});
      EXPECT_EQ(take_side(text, take_ours), want.out) << (take_ours ? "ours" : "theirs");
    }
    const auto sections = parse_conflict_sections(text);
    ASSERT_EQ(sections.size(), blocks.size());
    EXPECT_EQ(sections[0].ours,
              wide ? (Lines{"ours 3", "<<<<<<< doc", "=======", ">>>>>>> doc", "Title", "=========="})
                   : (Lines{"ours 3", "Title", "=========="}));
    EXPECT_EQ(sections[0].theirs, (Lines{"theirs 3"}));
  }
}

INSTANTIATE_TEST_SUITE_P(Styles, GitConflicts, testing::Values("merge", "diff3", "zdiff3"));

// A criss-cross merge: the base section holds the inner merge's own,
// longer markers, which must neither close nor split the block.
TEST(ConflictMarkers, RecursiveMergeBaseInTheThreeWayStyle) {
  TempRepo t;
  t.write("f", "a\n").commit("base");
  t.git({"checkout", "-q", "-b", "A"});
  t.write("f", "A1\n").commit("A1");
  t.git({"checkout", "-q", "-b", "B", "main"});
  t.write("f", "B1\n").commit("B1");
  t.git({"checkout", "-q", "-b", "A2", "A"});
  t.git_result({"merge", "-q", "B"});
  t.write("f", "AB\n").commit("AB");
  t.git({"checkout", "-q", "B"});
  t.git_result({"merge", "-q", "A"});
  t.write("f", "BA\n").commit("BA");
  ASSERT_FALSE(t.git_result({"-c", "merge.conflictStyle=diff3", "merge", "-q", "A2"}).success());
  const std::string text = t.read("f");
  ASSERT_NE(text.find("<<<<<<<<< Temporary merge branch 1"), std::string::npos) << text;
  EXPECT_EQ(parse_conflict_sections(text), (std::vector<ConflictSection>{{{"BA"}, {"AB"}}}));
}

}  // namespace
