#include "tui/buffer.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

#include "model_screen.hpp"
#include "tui/graphemes.hpp"
#include "tui/text.hpp"

namespace {

using testing_support::rows;
using tui::Buffer;
using tui::Color;
using tui::Rect;
using tui::Style;

Buffer filled(Rect area, char c) {
  Buffer buf(area);
  for (int y = area.y; y < area.bottom(); ++y) {
    for (int x = area.x; x < area.right(); ++x) buf.at(x, y).symbol = std::string(1, c);
  }
  return buf;
}

TEST(Buffer, ClipsAtEveryEdge) {
  struct Case {
    const char* name;
    Rect line_area;
    std::vector<std::string> want;
  };
  // A 6x3 buffer at (2, 1); the line "abcdefgh" drawn into various areas.
  const Case cases[] = {
      {"inside", {3, 2, 4, 1}, {"......", ".abcd.", "......"}},
      {"past the right edge", {5, 1, 10, 1}, {"...abc", "......", "......"}},
      {"starting left of the buffer", {0, 3, 5, 1}, {"......", "......", "cde..."}},
      {"above the buffer", {2, 0, 6, 1}, {"......", "......", "......"}},
      {"below the buffer", {2, 4, 6, 1}, {"......", "......", "......"}},
      {"zero width", {3, 2, 0, 1}, {"......", "......", "......"}},
      {"zero height", {3, 2, 4, 0}, {"......", "......", "......"}},
      {"the whole buffer and more", {0, 1, 20, 1}, {"cdefgh", "......", "......"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Buffer buf = filled(Rect{2, 1, 6, 3}, '.');
    tui::Line("abcdefgh").render(c.line_area, buf);
    EXPECT_EQ(rows(buf), c.want);
  }
  Buffer empty(Rect{0, 0, 0, 0});
  EXPECT_EQ(empty.set_string(0, 0, "abc"), 0);
  tui::Line("abc").render(Rect{0, 0, 5, 5}, empty);

  Buffer buf(Rect{2, 1, 6, 3});
  EXPECT_THROW(buf.at(1, 1), std::out_of_range);
  EXPECT_THROW(buf.at(8, 1), std::out_of_range);
  EXPECT_THROW(buf.at(2, 4), std::out_of_range);
  EXPECT_NO_THROW(buf.at(7, 3));
}

TEST(Buffer, WideCharactersTakeTwoCellsAndNeverHalfOne) {
  Buffer buf(Rect{0, 0, 8, 1});
  buf.set_string(0, 0, "漢字ab", Style{.fg = Color::Red});
  EXPECT_EQ(buf.row_text(0), "漢字ab  ");
  EXPECT_EQ(buf.at(0, 0).symbol, "漢");
  EXPECT_EQ(buf.at(1, 0).symbol, "");
  EXPECT_EQ(buf.at(1, 0).fg, Color::Red);  // the second half carries the style too
  EXPECT_EQ(tui::display_width("漢字ab"), 6u);

  struct Case {
    const char* name;
    int x;
    const char* text;
    const char* want;
  };
  const Case cases[] = {
      {"over the second half", 1, "x", " x字ab  "},
      {"over the first half", 2, "x", "漢x ab  "},
      {"a wide one shifted by one", 1, "国", " 国 ab  "},
      {"a wide one over two halves", 3, "国", "漢 国b  "},
      {"cut at the right edge: not drawn at all", 7, "国", "漢字ab  "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Buffer b = buf;
    b.set_string(c.x, 0, c.text);
    EXPECT_EQ(b.row_text(0), c.want);
    for (int x = 0; x + 1 < 8; ++x) {
      // Every empty cell follows a wide character.
      if (b.at(x + 1, 0).symbol.empty()) {
        EXPECT_EQ(tui::display_width(b.at(x, 0).symbol), 2u) << x;
      }
    }
  }

  // Clearing half of a wide character blanks the other half.
  Buffer b = buf;
  b.clear(Rect{1, 0, 2, 1});
  EXPECT_EQ(b.row_text(0), "    ab  ");
  EXPECT_EQ(b.at(0, 0).fg, Color::Red);
  EXPECT_EQ(b.at(1, 0), tui::Cell{});
}

TEST(Buffer, CombiningCharactersJoinThePreviousCell) {
  Buffer buf(Rect{0, 0, 6, 1});
  tui::Line({tui::Span("e\xCC\x81"), tui::Span("x"), tui::Span("\xCC\x81"), tui::Span("漢\xCC\x81")})
      .render(Rect{0, 0, 6, 1}, buf);
  EXPECT_EQ(buf.at(0, 0).symbol, "e\xCC\x81");
  EXPECT_EQ(buf.at(1, 0).symbol, "x\xCC\x81");  // across spans too
  EXPECT_EQ(buf.at(2, 0).symbol, "漢\xCC\x81");
  EXPECT_EQ(buf.at(3, 0).symbol, "");
  EXPECT_EQ(buf.at(4, 0).symbol, " ");
  EXPECT_EQ(tui::display_width("e\xCC\x81x\xCC\x81"), 2u);

  // A mark with nothing of its own line before it is dropped, not stacked on a stranger's cell.
  Buffer other(Rect{0, 0, 4, 1});
  other.set_string(0, 0, "ab");
  tui::Line("\xCC\x81z").render(Rect{2, 0, 2, 1}, other);
  EXPECT_EQ(testing_support::rows(other), std::vector<std::string>{"abz "});
}

TEST(Buffer, ControlCharactersTakeOneCellEachAndNeverReachTheScreen) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> cells;
  };
  const Case cases[] = {
      {"tab", "a\tb", {"a", " ", "b"}},
      {"line feed", "a\nb", {"a", " ", "b"}},
      {"carriage return", "a\rb", {"a", "␍", "b"}},
      {"CR LF stay two cells", "\r\n", {"␍", " "}},
      {"escape sequence", "\x1b[31m", {"␛", "[", "3", "1", "m"}},
      {"NUL", std::string("\0", 1), {"␀"}},
      {"BEL", "\x07", {"␇"}},
      {"unit separator", "\x1f", {"␟"}},
      {"DEL", "\x7f", {"␡"}},
      {"C1 NEL", "\xC2\x85", {"\xEF\xBF\xBD"}},
      {"C1 CSI",
       "\xC2\x9B"
       "2J",
       {"\xEF\xBF\xBD", "2", "J"}},
      {"ill-formed UTF-8", "\xFF", {"\xEF\xBF\xBD"}},
      // What reorders or hides text is shown, never obeyed.
      {"right-to-left override", "a\u202Eb", {"a", "\xEF\xBF\xBD", "b"}},
      {"right-to-left isolate and mark", "\u2067\u200F", {"\xEF\xBF\xBD", "\xEF\xBF\xBD"}},
      {"embeddings and pop", "\u202A\u202B\u202C\u202D", {"\uFFFD", "\uFFFD", "\uFFFD", "\uFFFD"}},
      {"isolates", "\u2066\u2067\u2068\u2069", {"\uFFFD", "\uFFFD", "\uFFFD", "\uFFFD"}},
      {"marks", "\u061C\u200E\u200F", {"\uFFFD", "\uFFFD", "\uFFFD"}},
      {"zero-width", "\u200B\u200C\u200D", {"\uFFFD", "\uFFFD", "\uFFFD"}},
      {"invisible operators and BOM", "\u2060\u2064\uFEFF", {"\uFFFD", "\uFFFD", "\uFFFD"}},
      {"the neighbours are drawn", "\u2010\u2070", {"\u2010", "\u2070"}},
      {"a joiner between emoji", "👨\u200D👩", {"👨", "", "\uFFFD", "👩", ""}},
  };
  const Style style{.fg = Color::Yellow, .add_modifier = tui::Modifier::BOLD};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Buffer buf(Rect{0, 0, 8, 1});
    const int end = buf.set_string(0, 0, c.text, style);
    EXPECT_EQ(end, static_cast<int>(c.cells.size()));
    EXPECT_EQ(tui::display_width(c.text), c.cells.size());
    for (std::size_t i = 0; i < c.cells.size(); ++i) {
      EXPECT_EQ(buf.at(static_cast<int>(i), 0).symbol, c.cells[i]) << i;
      EXPECT_EQ(buf.at(static_cast<int>(i), 0).modifiers, tui::Modifier::BOLD);
      EXPECT_EQ(buf.at(static_cast<int>(i), 0).fg, Color::Yellow);
    }
  }
  EXPECT_EQ(tui::sanitize("dir\x1b]0;x\x07\xC2\x9c\tend"), "dir␛]0;x␇\xEF\xBF\xBD end");
  EXPECT_EQ(tui::sanitize("admin\u202E\u2066txt.exe"), "admin\uFFFD\uFFFDtxt.exe");
}

TEST(Buffer, SetStyleAndResetKeepTheirRectangle) {
  Buffer buf(Rect{0, 0, 4, 2});
  buf.set_string(0, 0, "abcd");
  buf.set_style(Rect{1, 0, 10, 10}, Style{.bg = Color::Blue});
  EXPECT_EQ(buf.at(0, 0).bg, Color::Reset);
  EXPECT_EQ(buf.at(3, 1).bg, Color::Blue);
  EXPECT_EQ(buf.at(2, 0).symbol, "c");
  // A wide character is styled as a whole, by its first half.
  buf.set_string(0, 1, "漢字");
  buf.set_style(Rect{1, 1, 2, 1}, Style{.fg = Color::Red});
  EXPECT_EQ(buf.at(0, 1).fg, Color::Reset);
  EXPECT_EQ(buf.at(1, 1).fg, Color::Reset);
  EXPECT_EQ(buf.at(2, 1).fg, Color::Red);
  EXPECT_EQ(buf.at(3, 1).fg, Color::Red);
  buf.resize(Rect{0, 0, 2, 1});
  EXPECT_EQ(buf, Buffer(Rect{0, 0, 2, 1}));
}

}  // namespace

namespace {

TEST(Buffer, RowTextOfANarrowOrShortBufferIsEmpty) {
  const tui::Buffer no_columns(tui::Rect{0, 0, 0, 3});
  const tui::Buffer no_rows(tui::Rect{0, 0, 5, 0});
  for (int y : {-1, 0, 2, 3}) {
    EXPECT_EQ(no_columns.row_text(y), "") << y;
    EXPECT_EQ(no_rows.row_text(y), "") << y;
  }
}

}  // namespace
