#include "repo/hunk_apply.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using repo::apply_hunk_to_content;
using repo::DiffLine;
using repo::Hunk;
using repo::reverse_hunk;

// One hunk line as a diff writes it: origin, text, old and new numbers
// (0: none).
struct L {
  char origin;
  std::string text;
  std::uint32_t old_no = 0;
  std::uint32_t new_no = 0;
};

Hunk hunk(std::vector<L> lines, bool old_missing = false, bool new_missing = false) {
  Hunk h;
  for (auto& l : lines) {
    DiffLine d;
    d.origin = l.origin;
    d.content = l.text;
    if (l.old_no) d.old_lineno = l.old_no;
    if (l.new_no) d.new_lineno = l.new_no;
    h.lines.push_back(std::move(d));
  }
  h.old_missing_newline = old_missing;
  h.new_missing_newline = new_missing;
  return h;
}

constexpr const char* kNotFound = "could not find hunk location in file";

// The text wanted, or the location error when none is.
void expect_result(const std::expected<std::string, std::string>& got,
                   const std::optional<std::string>& want) {
  if (want) {
    ASSERT_TRUE(got) << got.error();
    EXPECT_EQ(*got, *want);
  } else {
    ASSERT_FALSE(got) << *got;
    EXPECT_EQ(got.error(), kNotFound);
  }
}

struct ApplyCase {
  const char* name;
  std::string content;
  Hunk hunk;
  std::optional<std::string> want;  // absent: the location error
};

TEST(ApplyHunk, PlacesTheHunkAndKeepsTheFinalLineFeedState) {
  const ApplyCase cases[] = {
      {"replace in the middle", "a\nb\nc\n",
       hunk({{' ', "a", 1, 1}, {'-', "b", 2}, {'+', "x", 0, 2}, {' ', "c", 3, 3}}), "a\nx\nc\n"},
      {"last line changed, still without LF", "a\nb\nc", hunk({{'-', "c", 3}, {'+', "d", 0, 3}}, true, true),
       "a\nb\nd"},
      {"last line gains its LF", "a\nb\nc", hunk({{'-', "c", 3}, {'+', "c", 0, 3}}, true, false),
       "a\nb\nc\n"},
      {"last line loses its LF", "a\nb\nc\n", hunk({{'-', "c", 3}, {'+', "c", 0, 3}}, false, true),
       "a\nb\nc"},
      {"change far from the end keeps the missing LF", "a\nb\nc", hunk({{'-', "a", 1}, {'+', "z", 0, 1}}),
       "z\nb\nc"},
      {"every line removed", "a\n", hunk({{'-', "a", 1}}), ""},
      {"every line removed, no LF", "a", hunk({{'-', "a", 1}}, true), ""},
      {"link target", "t", hunk({{'-', "t", 1}, {'+', "u", 0, 1}}, true, true), "u"},
      {"new file", "", hunk({{'+', "a", 0, 1}, {'+', "b", 0, 2}}), "a\nb\n"},
      {"new file without LF", "", hunk({{'+', "a", 0, 1}}, false, true), "a"},
      {"one empty line", "", hunk({{'+', "", 0, 1}}), "\n"},
      {"no lines at all", "", hunk({}), ""},
      // Added lines with nothing to anchor them never go into a text.
      {"empty old side, non-empty text", "a\n", hunk({{'+', "z", 0, 1}}), std::nullopt},
      {"removing from nothing", "", hunk({{'-', "a", 1}}), std::nullopt},
      {"old side longer than the text", "a\n", hunk({{' ', "a", 1, 1}, {'-', "b", 2}}), std::nullopt},
      {"old side not in the text", "a\nb\n", hunk({{'-', "q", 1}}), std::nullopt},
      // Repeated context goes where the numbers say, not to the first copy.
      {"second of two equal places", "x\na\nx\na\n",
       hunk({{' ', "x", 3, 3}, {'-', "a", 4}, {'+', "b", 0, 4}}), "x\na\nx\nb\n"},
      {"first of two equal places", "x\na\nx\na\n", hunk({{' ', "x", 1, 1}, {'-', "a", 2}, {'+', "b", 0, 2}}),
       "x\nb\nx\na\n"},
      // Numbers that went stale: the nearest place that matches.
      {"stale numbers, nearest copy", "x\na\np\nq\nr\ns\nx\na\nt\n",
       hunk({{' ', "x", 9, 9}, {'-', "a", 10}, {'+', "b", 0, 10}}), "x\na\np\nq\nr\ns\nx\nb\nt\n"},
      {"stale numbers, equally near: the earlier", "x\nq\nx\n", hunk({{' ', "x", 2, 2}, {'+', "k", 0, 3}}),
       "x\nk\nq\nx\n"},
      // An old side without a final LF stands only at the end.
      {"no-LF old side must be the end", "c\nx\nc", hunk({{'-', "c", 1}, {'+', "d", 0, 1}}, true, true),
       "c\nx\nd"},
      {"a LF old side is not the unterminated end", "c\nx\nc", hunk({{'-', "c", 3}, {'+', "d", 0, 3}}),
       "d\nx\nc"},
      {"CRLF lines keep their CR", "a\r\nb\r\nc\r\n",
       hunk({{' ', "a\r", 1, 1}, {'-', "b\r", 2}, {'+', "x\r", 0, 2}, {' ', "c\r", 3, 3}}),
       "a\r\nx\r\nc\r\n"},
      {"a line without its CR is another line", "a\r\nb\r\n", hunk({{'-', "b", 2}}), std::nullopt},
      {"bytes outside the hunk untouched", "caf\xe9\nb\nc\n",
       hunk({{' ', "b", 2, 2}, {'-', "c", 3}, {'+', "d", 0, 3}}), "caf\xe9\nb\nd\n"},
      {"a replaced byte matches nothing", "caf\xe9\nb\n", hunk({{'-', "caf\xEF\xBF\xBD", 1}}), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto got = apply_hunk_to_content(c.content, c.hunk);
    expect_result(got, c.want);
  }
}

// A copy in CRLF under a conversion whose diff shows LF lines: the copy's
// CRs take no part in the match, each of its lines keeps its own ending and
// the lines put in end as asked.
TEST(ApplyHunk, ConvertedCopyKeepsItsOwnLineEndings) {
  using repo::LineEnding;
  struct Case {
    const char* name;
    std::string content;
    Hunk hunk;
    LineEnding added;
    std::optional<std::string> want;
  };
  const Case cases[] = {
      {"replace in the middle", "a\r\nb\r\nc\r\n",
       hunk({{' ', "a", 1, 1}, {'-', "b", 2}, {'+', "x", 0, 2}, {' ', "c", 3, 3}}), LineEnding::Crlf,
       "a\r\nx\r\nc\r\n"},
      {"lines put back", "a\r\nc\r\n", hunk({{' ', "a", 1, 1}, {'+', "b", 0, 2}, {' ', "c", 2, 3}}),
       LineEnding::Crlf, "a\r\nb\r\nc\r\n"},
      {"a lone LF line keeps its LF", "a\r\nb\nc\r\n",
       hunk({{' ', "b", 2, 2}, {'-', "c", 3}, {'+', "C", 0, 3}}), LineEnding::Crlf, "a\r\nb\nC\r\n"},
      {"the last line gains its ending", "a\r\nb", hunk({{'-', "b", 2}, {'+', "b", 0, 2}}, true, false),
       LineEnding::Crlf, "a\r\nb\r\n"},
      {"the last line loses its ending", "a\r\nb\r\n", hunk({{'-', "b", 2}, {'+', "b", 0, 2}}, false, true),
       LineEnding::Crlf, "a\r\nb"},
      {"lines after an unterminated end", "a\r\nb",
       hunk({{'-', "b", 2}, {'+', "b", 0, 2}, {'+', "c", 0, 3}}, true, false), LineEnding::Crlf,
       "a\r\nb\r\nc\r\n"},
      {"an emptied copy filled again", "", hunk({{'+', "a", 0, 1}, {'+', "b", 0, 2}}), LineEnding::Crlf,
       "a\r\nb\r\n"},
      {"LF where the copy says so", "a\nb\n", hunk({{' ', "a", 1, 1}, {'+', "z", 0, 2}}), LineEnding::Lf,
       "a\nz\nb\n"},
      // The stored text kept its CRs: the lines match as they stand.
      {"CRs the diff kept", "a\r\nb\r\n", hunk({{'-', "a\r", 1}, {'+', "A\r", 0, 1}}), LineEnding::Lf,
       "A\r\nb\r\n"},
      {"a CR inside a line still counts", "a\rb\r\n", hunk({{'-', "ab", 1}}), LineEnding::Crlf, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto got = repo::apply_hunk_to_converted_copy(c.content, c.hunk, c.added);
    expect_result(got, c.want);
  }
  EXPECT_EQ(repo::prevailing_line_ending("a\r\nb\r\nc\n"), LineEnding::Crlf);
  EXPECT_EQ(repo::prevailing_line_ending("a\r\nb\nc\n"), LineEnding::Lf);
  EXPECT_EQ(repo::prevailing_line_ending("a\r\nb\n"), LineEnding::Crlf);
  EXPECT_EQ(repo::prevailing_line_ending("no line ends"), std::nullopt);
}

TEST(ApplyHunk, ReversedHunkPutsTheOldSideBack) {
  const std::string before = "a\nb\nc";
  const Hunk h = hunk({{' ', "a", 1, 1}, {'-', "b", 2}, {'-', "c", 3}, {'+', "B", 0, 2}}, true, false);
  auto after = apply_hunk_to_content(before, h);
  ASSERT_TRUE(after);
  EXPECT_EQ(*after, "a\nB\n");

  const Hunk r = reverse_hunk(h);
  ASSERT_EQ(r.lines.size(), h.lines.size());
  EXPECT_TRUE(r.new_missing_newline);
  EXPECT_FALSE(r.old_missing_newline);
  for (std::size_t i = 0; i < h.lines.size(); ++i) {
    EXPECT_EQ(r.lines[i].content, h.lines[i].content);
    EXPECT_EQ(r.lines[i].old_lineno, h.lines[i].new_lineno);
    EXPECT_EQ(r.lines[i].new_lineno, h.lines[i].old_lineno);
    EXPECT_EQ(r.lines[i].origin, h.lines[i].origin == ' ' ? ' ' : h.lines[i].origin == '+' ? '-' : '+');
  }
  EXPECT_EQ(reverse_hunk(r), h);
  auto back = apply_hunk_to_content(*after, r);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, before);
}

}  // namespace
