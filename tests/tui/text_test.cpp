#include "tui/text.hpp"

#include <gtest/gtest.h>

#include "model_screen.hpp"

namespace {

using tui::Alignment;
using tui::Buffer;
using tui::Color;
using tui::Line;
using tui::Rect;
using tui::Span;
using tui::Style;

TEST(Line, AlignsAndCutsWithinItsArea) {
  struct Case {
    const char* name;
    Line line;
    Alignment fallback;
    const char* want;  // the row of a 12-column buffer of dots; the area is columns 2 to 8
  };
  const Case cases[] = {
      {"left", Line("abc"), Alignment::Left, "..abc......."},
      {"centred, even spare", Line("abc").centered(), Alignment::Left, "....abc....."},
      {"centred rounds down", Line("ab").centered(), Alignment::Left, "....ab......"},
      {"right", Line("abc").right_aligned(), Alignment::Left, "......abc..."},
      {"the paragraph's alignment when the line has none", Line("abc"), Alignment::Right, "......abc..."},
      {"the line's own alignment wins", Line("abc").aligned(Alignment::Left), Alignment::Right,
       "..abc......."},
      {"exactly the width", Line("abcdefg").right_aligned(), Alignment::Left, "..abcdefg..."},
      {"too wide, centred: starts at the left edge", Line("abcdefghij").centered(), Alignment::Left,
       "..abcdefg..."},
      {"too wide, right: starts at the left edge", Line("abcdefghij").right_aligned(), Alignment::Left,
       "..abcdefg..."},
      {"a wide character that does not fit is left out", Line("abcdef漢"), Alignment::Left, "..abcdef...."},
      {"and ends the line", Line({Span("abcdef漢"), Span("z")}), Alignment::Left, "..abcdef...."},
      {"centred wide text", Line("漢字").centered(), Alignment::Left, "...漢字....."},
      {"spans one after the other", Line({Span("ab"), Span(""), Span("cd")}).right_aligned(), Alignment::Left,
       ".....abcd..."},
      {"empty", Line(), Alignment::Center, "............"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Buffer buf(Rect{0, 0, 12, 2});
    buf.set_string(0, 0, "............");
    c.line.render(Rect{2, 0, 7, 2}, buf, c.fallback);
    EXPECT_EQ(buf.row_text(0), c.want);
    EXPECT_EQ(buf.row_text(1), "            ");  // one row only
  }
}

TEST(Line, SpanStylesLieOverTheLineStyle) {
  Buffer buf(Rect{0, 0, 6, 1});
  buf.set_style(buf.area(), Style{.bg = Color::DarkGray});
  Line line({Span("ab", Style{.fg = Color::Red}), Span("cd", Style{.bg = Color::Blue})});
  line.style = Style{.fg = Color::Green, .add_modifier = tui::Modifier::BOLD};
  line.render(buf.area(), buf);
  EXPECT_EQ(buf.at(0, 0).fg, Color::Red);
  EXPECT_EQ(buf.at(0, 0).bg, Color::DarkGray);  // the cell's own background stays
  EXPECT_EQ(buf.at(2, 0).fg, Color::Green);
  EXPECT_EQ(buf.at(2, 0).bg, Color::Blue);
  EXPECT_EQ(buf.at(3, 0).modifiers, tui::Modifier::BOLD);
  EXPECT_EQ(buf.at(4, 0), (tui::Cell{.symbol = " ", .bg = Color::DarkGray}));
  EXPECT_EQ(line.width(), 4u);
  EXPECT_EQ(Line({Span("漢"), Span("\t")}).width(), 3u);
}

}  // namespace
