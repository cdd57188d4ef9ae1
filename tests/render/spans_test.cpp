#include "render/spans.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using render::DIFF_ADDED_BG;
using render::DIFF_REMOVED_BG;
using render::GUTTER_FG;
using render::MATCH_STYLE;
using tui::Color;
using tui::Span;
using tui::Style;

const Style kBase{.fg = Color::Blue, .add_modifier = tui::Modifier::BOLD};

// Spans written as text, a match in brackets: "Fix [foo] and [FOO]".
std::string marked(const std::vector<Span>& spans) {
  std::string out;
  for (const Span& s : spans) {
    if (s.style == MATCH_STYLE)
      out += "[" + s.content + "]";
    else if (s.style == kBase)
      out += s.content;
    else
      out += "<bad style>";
  }
  return out;
}

TEST(HighlightMatches, MarksEveryOccurrenceLeftToRight) {
  struct Case {
    std::string text, query, want;
  };
  const Case cases[] = {
      {"main", "", "main"},
      {"Fix foo and FOO", "foo", "Fix [foo] and [FOO]"},
      {"Fix foo and FOO", "FOO", "Fix [foo] and [FOO]"},  // one case only: still case-insensitive
      {"Fix foo and FOO", "Foo", "Fix foo and FOO"},      // mixed case: byte for byte
      {"Foo foo", "Foo", "[Foo] foo"},
      {"abab", "ab", "[ab][ab]"},
      {"aaa", "aa", "[aa]a"},
      {"foo", "foo", "[foo]"},
      {"foo", "foobar", "foo"},
      // Lower-casing lengthens İ to two code points: the marks after it stay on the right characters.
      {"\xC4\xB0x FOO", "foo", "\xC4\xB0x [FOO]"},
      {"\xC4\xB0stanbul", "i", "[\xC4\xB0]stanbul"},            // the match covers part of İ's form
      {"x\xC4\xB0y", "\xC4\xB0", "x[\xC4\xB0]y"},               // İ alone is not mixed case
      {"\xC4\xB0\xC4\xB0", "\xCC\x87i", "[\xC4\xB0\xC4\xB0]"},  // overlaps both: both, whole
      {"x\xE2\x84\xAAy K", "k", "x[\xE2\x84\xAA]y [K]"},        // Kelvin sign shortens to k
      {"\xCE\x91\xCE\xA3 \xCE\xA3\xCE\x91", "\xCF\x83", "\xCE\x91\xCE\xA3 [\xCE\xA3]\xCE\x91"},  // final ς
      {"Stra\xC3\x9F"
       "e STRASSE",
       "ss",
       "Stra\xC3\x9F"
       "e STRA[SS]E"},  // ß stays ß
      {"a\xFF"
       "b",
       "b", "a\xFF[b]"},  // a stray byte is one character
      {"\xC3\x84rger \xC3\xA4RGER", "\xC3\xA4rger", "[\xC3\x84rger] [\xC3\xA4RGER]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.query);
    const auto spans = render::highlight_matches(c.text, c.query, kBase, MATCH_STYLE);
    EXPECT_EQ(marked(spans), c.want);
    std::string joined;
    for (const Span& s : spans) {
      EXPECT_FALSE(s.content.empty());
      joined += s.content;
    }
    EXPECT_EQ(joined, c.text);
  }
}

TEST(HighlightMatches, AnEmptyTextGivesOneEmptySpan) {
  for (const char* query : {"", "x", "X"}) {
    SCOPED_TRACE(query);
    EXPECT_EQ(render::highlight_matches("", query, kBase, MATCH_STYLE), std::vector<Span>{Span("", kBase)});
  }
}

repo::DiffLine line(char origin, std::optional<std::uint32_t> old_no, std::optional<std::uint32_t> new_no) {
  return {.content = "x", .old_lineno = old_no, .new_lineno = new_no, .origin = origin};
}

TEST(DiffGutterWidth, DigitsOfTheLargestNumberAtLeastTwo) {
  using repo::Hunk;
  struct Case {
    const char* name;
    std::vector<Hunk> hunks;
    std::size_t want;
  };
  const Case cases[] = {
      {"no hunks", {}, 2},
      {"no numbered lines", {Hunk{.lines = {line(' ', {}, {})}}}, 2},
      {"7", {Hunk{.lines = {line('+', {}, 7)}}}, 2},
      {"99", {Hunk{.lines = {line(' ', 98, 99)}}}, 2},
      {"100", {Hunk{.lines = {line(' ', 99, 99)}}, Hunk{.lines = {line('-', 100, {})}}}, 3},
      {"old numbers count too", {Hunk{.lines = {line('-', 1000, {}), line('+', {}, 5)}}}, 4},
      {"12345 in a later hunk",
       {Hunk{.lines = {line('+', {}, 3)}}, Hunk{.lines = {line(' ', 12000, 12345)}}},
       5},
      {"the largest number there is", {Hunk{.lines = {line('+', {}, 4294967295u)}}}, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(render::diff_gutter_width(c.hunks), c.want);
  }
}

TEST(DiffPrefixSpans, NumberAndOriginInTheRowsColours) {
  struct Case {
    const char* name;
    repo::DiffLine line;
    std::size_t gutter;
    std::optional<Color> bg;
    std::vector<Span> want;
  };
  const Case cases[] = {
      {"removed line shows its old number",
       line('-', 7, {}),
       3,
       DIFF_REMOVED_BG,
       {Span("  7 ", Style{.fg = GUTTER_FG, .bg = DIFF_REMOVED_BG}),
        Span("-", Style{.fg = Color::Red, .bg = DIFF_REMOVED_BG})}},
      {"context line without a background",
       line(' ', 11, 12),
       2,
       std::nullopt,
       {Span("12 ", Style{.fg = Color::DarkGray}), Span(" ", Style{.fg = Color::DarkGray})}},
      {"added line without the new number it needs",
       line('+', 5, {}),
       2,
       DIFF_ADDED_BG,
       {Span("   ", Style{.fg = GUTTER_FG, .bg = DIFF_ADDED_BG}),
        Span("+", Style{.fg = Color::Green, .bg = DIFF_ADDED_BG})}},
      {"removed line without an old number",
       line('-', {}, 9),
       4,
       std::nullopt,
       {Span("     ", Style{.fg = Color::DarkGray}), Span("-", Style{.fg = Color::Red})}},
      {"a number longer than the gutter is written whole",
       line('+', {}, 12345),
       2,
       DIFF_ADDED_BG,
       {Span("12345 ", Style{.fg = GUTTER_FG, .bg = DIFF_ADDED_BG}),
        Span("+", Style{.fg = Color::Green, .bg = DIFF_ADDED_BG})}},
      {"the number colour follows the background, the origin colour the origin",
       line(' ', 1, 1),
       2,
       DIFF_ADDED_BG,
       {Span(" 1 ", Style{.fg = GUTTER_FG, .bg = DIFF_ADDED_BG}),
        Span(" ", Style{.fg = Color::DarkGray, .bg = DIFF_ADDED_BG})}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(render::diff_prefix_spans(c.line, c.gutter, c.bg), c.want);
  }
}

TEST(FillDiffBackground, PadsToTheWidthInCharacters) {
  const std::vector<Span> row = {Span("ab", Style{.fg = Color::White}),
                                 Span("\xC3\xA9")};  // 3 characters, 4 bytes
  struct Case {
    std::optional<Color> bg;
    std::size_t width;
    std::vector<Span> want;
  };
  std::vector<Span> padded = row;
  padded.push_back(Span("  ", Style{.bg = DIFF_ADDED_BG}));
  std::vector<Span> one_more = row;
  one_more.push_back(Span(" ", Style{.bg = DIFF_ADDED_BG}));
  const Case cases[] = {
      {DIFF_ADDED_BG, 5, padded}, {DIFF_ADDED_BG, 4, one_more}, {DIFF_ADDED_BG, 3, row},
      {DIFF_ADDED_BG, 1, row},    {std::nullopt, 5, row},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    std::vector<Span> spans = row;
    render::fill_diff_background(spans, c.bg, c.width);
    EXPECT_EQ(spans, c.want);
  }
  std::vector<Span> empty;
  render::fill_diff_background(empty, DIFF_REMOVED_BG, 3);
  EXPECT_EQ(empty, std::vector<Span>{Span("   ", Style{.bg = DIFF_REMOVED_BG})});
}

}  // namespace
