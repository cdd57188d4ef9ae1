#include "render/details_panel.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "details_fixture.hpp"
#include "render/details_text.hpp"
#include "render/spans.hpp"
#include "support/screen.hpp"

namespace {

using details_fixture::cut;
using details_fixture::open_commit;
using details_fixture::text_of;
using testing_support::cells;
using testing_support::TempRepo;
using testing_support::trimmed_rows;
using tui::Color;

constexpr std::uint16_t kWidth = 40;

// Two files of ten added lines: 0-2 header, 3 empty, 4 summary, 5-6 tree,
// 7 empty, a.cpp's block at 8 (rows 9-18, 19 empty), b.cpp's at 20 (rows
// 21-30, 31 empty). a.cpp's third line, drawn line 11, holds "foobar".
struct PanelExample {
  TempRepo t;
  state::State state;
  PanelExample() {
    std::string a, b;
    for (int n = 1; n <= 10; ++n) {
      a += n == 3 ? "int foobar = 1;\n" : "int a" + std::to_string(n) + " = 0;\n";
      b += "int b" + std::to_string(n) + " = 0;\n";
    }
    auto opened = open_commit(t, t.write("a.cpp", a).write("b.cpp", b).commit("Panel"));
    state.commit_details = std::move(opened.details);
    state.highlight_cache = std::move(opened.cache);
  }
  std::vector<tui::Line> lines(std::uint16_t width = kWidth) const {
    return render::details_lines(*state.commit_details, &*state.highlight_cache, state.details_query, width)
        .lines;
  }
};

// Every row of the layout the state keeps, made as a frame makes them.
render::DetailsText kept_rows(const state::State& state, std::uint16_t width) {
  const auto layout = render::details_text(state, width);
  render::DetailsText text;
  text.sections = layout->sections;
  if (state.commit_details)
    render::append_details_rows(text.lines, *layout, *state.commit_details,
                                state.highlight_cache ? &*state.highlight_cache : nullptr, 0, layout->rows);
  return text;
}

// The panel at x = 1 in a buffer one column wider on each side.
tui::Buffer draw(const state::State& state, std::uint16_t height, std::uint16_t width = kWidth) {
  tui::Buffer buffer(tui::Rect{0, 0, static_cast<std::uint16_t>(width + 2), height});
  render::render_details_panel(buffer, tui::Rect{1, 0, width, height}, state);
  return buffer;
}

bool any_cell_in(const tui::Buffer& buffer, Color bg) {
  for (const tui::Cell& cell : buffer.cells())
    if (cell.bg == bg) return true;
  return false;
}

TEST(DetailsPanel, StickyFileHeaderStandsInPlaceOfTheTopLine) {
  PanelExample example;
  const auto lines = example.lines();
  ASSERT_EQ(lines.size(), 32u);
  ASSERT_EQ(text_of(lines[8]), "a.cpp");
  ASSERT_EQ(text_of(lines[20]), "b.cpp");
  constexpr int kSticky = -1;
  struct Case {
    std::size_t scroll;
    std::uint16_t height;
    std::vector<int> want;  // line indices, or the sticky header
    std::string sticky;
  };
  const Case cases[] = {
      {0, 6, {0, 1, 2, 3, 4, 5}, ""},
      {7, 4, {7, 8, 9, 10}, ""},
      // At a file's header line, and just past it.
      {8, 4, {kSticky, 9, 10, 11}, "a.cpp"},
      {9, 4, {kSticky, 10, 11, 12}, "a.cpp"},
      {19, 3, {kSticky, 20, 21}, "a.cpp"},
      {20, 3, {kSticky, 21, 22}, "b.cpp"},
      {29, 6, {kSticky, 30, 31}, "b.cpp"},
      {31, 3, {kSticky}, "b.cpp"},
      // Past the end of the text: only the header.
      {500, 3, {kSticky}, "b.cpp"},
      {12, 1, {kSticky}, "a.cpp"},
      {12, 0, {}, ""},
      {0, 0, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "scroll " << c.scroll << ", height " << c.height);
    example.state.details_scroll = c.scroll;
    const tui::Buffer buffer = draw(example.state, c.height);
    std::vector<std::string> want;
    for (const int i : c.want) want.push_back(i == kSticky ? c.sticky : cut(text_of(lines[i]), kWidth));
    want.resize(c.height);
    // Columns 0 and 41 stay empty: the drawing keeps to its rectangle.
    std::vector<std::string> framed;
    for (const std::string& row : want) framed.push_back(row.empty() ? "" : " " + row);
    EXPECT_EQ(trimmed_rows(buffer), framed);
    if (!c.sticky.empty() && c.height > 0) {
      for (int x = 1; x <= static_cast<int>(c.sticky.size()); ++x) {
        EXPECT_EQ(buffer.at(x, 0).fg, Color::White);
        EXPECT_EQ(buffer.at(x, 0).bg, Color::DarkGray);
        EXPECT_EQ(buffer.at(x, 0).modifiers, tui::Modifier::BOLD);
      }
    }
  }
}

TEST(DetailsPanel, StickyHeaderIsNeverSearchMarked) {
  PanelExample example;
  example.state.details_query = "a.cpp";
  example.state.details_scroll = 0;
  ASSERT_TRUE(any_cell_in(draw(example.state, 10), Color::Yellow));  // the tree row
  example.state.details_scroll = 8;
  const tui::Buffer buffer = draw(example.state, 3);
  EXPECT_EQ(cells(buffer, 0, 0, kWidth + 2), " a.cpp");
  EXPECT_FALSE(any_cell_in(buffer, Color::Yellow));
}

TEST(DetailsPanel, CurrentMatchLineTurnsItsOccurrencesCyan) {
  PanelExample example;
  const std::size_t match_line = 11;
  struct Case {
    std::string query;      // when the match was measured
    std::string now_query;  // when drawing
    std::uint16_t width;    // when the match was measured
    std::size_t scroll;
    bool cyan;
  };
  const Case cases[] = {
      {"foo", "foo", kWidth, 0, true},
      {"FOO", "FOO", kWidth, 0, true},
      // The token is marked whatever the case, but the occurrences on the current
      // line are found with smart case.
      {"Foo", "Foo", kWidth, 0, false},
      // Measured for another query or another width: no current match.
      {"foo", "fo", kWidth, 0, false},
      {"foo", "foo", kWidth + 1, 0, false},
      // Outside the window, or under the sticky header.
      {"foo", "foo", kWidth, 12, false},
      {"foo", "foo", kWidth, 11, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.query << " / " << c.now_query << " at " << c.width << ", scroll "
                                    << c.scroll);
    example.state.details_query = c.query;
    ASSERT_EQ(render::details_match_lines(*example.state.commit_details, &*example.state.highlight_cache,
                                          c.query, c.width),
              std::vector<std::size_t>{match_line});
    state::set_details_match(example.state, state::DetailsMatch{match_line, 0}, c.width);
    example.state.details_query = c.now_query;
    example.state.details_scroll = c.scroll;
    const tui::Buffer buffer = draw(example.state, 20);
    EXPECT_EQ(any_cell_in(buffer, Color::Cyan), c.cyan);
    if (!c.cyan) continue;
    // "foo" Black on Cyan, the rest of the marked token Black on Yellow.
    const int y = static_cast<int>(match_line - c.scroll);
    const std::string row = cells(buffer, y, 0, kWidth + 2);
    const int at = static_cast<int>(row.find("foobar"));
    ASSERT_GT(at, 0);
    for (int x = at; x < at + 6; ++x) {
      SCOPED_TRACE(x);
      EXPECT_EQ(buffer.at(x, y).fg, Color::Black);
      EXPECT_EQ(buffer.at(x, y).bg, x < at + 3 ? Color::Cyan : Color::Yellow);
    }
  }
}

// The layout kept in the state answers exactly as a fresh layout would,
// whatever changes between two questions.
TEST(DetailsPanel, KeptLayoutAnswersAsAFreshOne) {
  PanelExample example;
  TempRepo other;
  auto reopened = open_commit(other, other.write("c.cpp", "int foobar;\n").commit("Other foobar"));
  state::State& s = example.state;

  const auto check = [&](std::uint16_t width) {
    const highlight::HighlightCache* cache = s.highlight_cache ? &*s.highlight_cache : nullptr;
    const auto fresh = render::details_lines(*s.commit_details, cache, s.details_query, width);
    EXPECT_EQ(kept_rows(s, width), fresh);
    EXPECT_EQ(render::details_match_lines(s, width),
              render::details_match_lines(*s.commit_details, cache, s.details_query, width));
    EXPECT_EQ(render::details_content_height(s, width), fresh.lines.size());
  };
  check(kWidth);
  s.details_query = "foo";
  check(kWidth);
  check(12);
  s.details_query = "b1";
  check(12);
  s.highlight_cache.reset();
  check(12);
  s.commit_details = reopened.details;
  check(12);
  s.highlight_cache = reopened.cache;
  check(12);
  // Details made by hand under the same id.
  s.commit_details->message = "Another message";
  check(12);
  s.commit_details->files.clear();
  check(12);

  s.commit_details.reset();
  EXPECT_EQ(render::details_text(s, 12)->rows, 0u);
  EXPECT_TRUE(kept_rows(s, 12).lines.empty());
  EXPECT_TRUE(render::details_match_lines(s, 12).empty());
  EXPECT_EQ(render::details_content_height(s, 12), 0u);
  // Nothing to draw without details.
  EXPECT_FALSE(any_cell_in(draw(s, 5), Color::DarkGray));
  EXPECT_EQ(trimmed_rows(draw(s, 2)), (std::vector<std::string>{"", ""}));
}

// Colouring more lines of a file brings the kept layout up to date in place, giving what a fresh
// layout with the same colours gives: lines wrapped over several rows, two hunks with the empty
// line between them, a search whose marks the colours move.
TEST(DetailsPanel, KeptLayoutTakesNewColoursInPlace) {
  TempRepo t;
  const auto file_text = [](const std::string& name, int changed) {
    std::string text;
    for (int n = 1; n <= 30; ++n)
      text += "int " + name + std::to_string(n) +
              (n == 2 || n == 25 ? " = " + std::to_string(changed) : " = 0") + "; /* x */\n";
    return text;
  };
  t.write("a.cpp", file_text("a", 0)).write("b.py", file_text("b", 0)).commit("base");
  auto opened =
      open_commit(t, t.write("a.cpp", file_text("a", 1)).write("b.py", file_text("b", 2)).commit("edit"));
  ASSERT_EQ(opened.details.files.size(), 2u);
  ASSERT_EQ(opened.details.files[0].hunks.size(), 2u);
  state::State s;
  s.commit_details = opened.details;
  s.highlight_cache = highlight::HighlightCache{std::vector<highlight::HighlightedFile>(2)};
  s.details_query = "a2 = 1;";     // one token uncoloured, several once coloured
  const std::uint16_t width = 12;  // every diff line wraps
  const highlight::Highlighter highlighter;
  const std::pair<std::size_t, std::size_t> steps[] = {{0, 1},  {0, 3},  {1, 2}, {0, 9},
                                                       {1, 14}, {0, 99}, {1, 99}};
  for (const auto& [file, count] : steps) {
    SCOPED_TRACE(testing::Message() << "file " << file << ", " << count << " lines");
    const render::DetailsLayout* before = render::details_text(s, width).get();
    highlighter.continue_hunks(s.commit_details->files[file].hunks, s.commit_details->files[file].path, count,
                               s.highlight_cache->files[file]);
    const auto kept = render::details_text(s, width);
    EXPECT_EQ(kept.get(), before) << "laid out again in place";
    EXPECT_EQ(kept_rows(s, width),
              render::details_lines(*s.commit_details, &*s.highlight_cache, s.details_query, width));
    EXPECT_EQ(render::details_match_lines(s, width),
              render::details_match_lines(*s.commit_details, &*s.highlight_cache, s.details_query, width));
  }
  EXPECT_EQ(*s.highlight_cache, opened.cache) << "coloured in steps, as at once";
}

TEST(DetailsPanel, ControlCharactersTakeOneCellEach) {
  TempRepo t;
  auto opened = open_commit(t, t.write("crlf.txt", "\ta\tb\r\n").commit("CRLF"));
  state::State s;
  s.commit_details = std::move(opened.details);
  s.highlight_cache = std::move(opened.cache);
  s.details_scroll = 7;  // the file's header line: its rows follow
  // 5 characters at width 8 (text 4 a row): the CR wraps alone; both rows
  // are filled to the width exactly.
  const tui::Buffer buffer = draw(s, 3, 8);
  EXPECT_EQ(trimmed_rows(buffer), (std::vector<std::string>{" crlf.txt", "  1 + a b", "     \xE2\x90\x8D"}));
  for (int y = 1; y <= 2; ++y) {
    for (int x = 1; x <= 8; ++x) EXPECT_EQ(buffer.at(x, y).bg, render::DIFF_ADDED_BG) << x << "," << y;
    EXPECT_EQ(buffer.at(9, y).bg, Color::Reset) << y;
  }
}

// A file of thousands of lines, some wider than the panel, beside a small
// one, uncoloured as a commit is when it opens: the kept layout holds rows
// only for the header and the file tree, yet every row is there to scroll
// to, to draw and to search, as a full layout gives it.
TEST(DetailsPanel, AHugeFileKeepsNoRowPerLineYetShowsAndFindsEveryOne) {
  TempRepo t;
  std::string big;
  for (int n = 1; n <= 3000; ++n)
    big += n % 7 == 0 ? "wide " + std::string(50, 'x') + std::to_string(n) + "\n" : std::to_string(n) + "\n";
  auto opened = open_commit(t, t.write("big.txt", big).write("small.txt", "one\ntwo\n").commit("Huge"));
  state::State s;
  s.commit_details = std::move(opened.details);
  s.highlight_cache = highlight::HighlightCache{std::vector<highlight::HighlightedFile>(2)};

  for (const std::uint16_t width : {kWidth, std::uint16_t{12}}) {
    SCOPED_TRACE(width);
    for (const std::string query : {"", "2999", "xxx"}) {
      SCOPED_TRACE(query);
      s.details_query = query;
      const auto layout = render::details_text(s, width);
      // 0-2 header, 3 empty, 4 summary, 5-6 tree, 7 empty.
      EXPECT_EQ(layout->head.size(), 8u);
      const auto fresh = render::details_lines(*s.commit_details, &*s.highlight_cache, query, width);
      EXPECT_EQ(kept_rows(s, width), fresh);
      EXPECT_EQ(render::details_match_lines(s, width), render::match_lines_of(fresh));
    }
  }

  s.details_query = "2999";
  const auto matches = render::details_match_lines(s, kWidth);
  ASSERT_EQ(matches.size(), 1u);
  // The last rows, as G shows them: big.txt's last line, then small.txt's block.
  s.details_scroll = render::details_content_height(s, kWidth) - 7;
  EXPECT_EQ(trimmed_rows(draw(s, 7)), (std::vector<std::string>{" big.txt", " 3000 +3000", "", " small.txt",
                                                                "  1 +one", "  2 +two", ""}));
  // The match, found far down, is drawn where the search puts it.
  s.details_scroll = matches[0] - 1;
  EXPECT_EQ(trimmed_rows(draw(s, 2)), (std::vector<std::string>{" big.txt", " 2999 +2999"}));
}

}  // namespace
