#include "tui/widgets.hpp"

#include <gtest/gtest.h>

#include "model_screen.hpp"

namespace {

using testing_support::rows;
using tui::Block;
using tui::Borders;
using tui::Buffer;
using tui::Color;
using tui::Constraint;
using tui::Line;
using tui::Rect;
using tui::Span;
using tui::Style;

Buffer dots(uint16_t w, uint16_t h) {
  Buffer buf(Rect{0, 0, w, h});
  for (int y = 0; y < h; ++y) buf.set_string(0, y, std::string(w, '.'));
  return buf;
}

TEST(Block, DrawsBordersAndTitlesOnly) {
  struct Case {
    const char* name;
    Block block;
    Rect area;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"all sides",
       Block{.borders = Borders::ALL},
       {1, 0, 6, 4},
       {".┌────┐", ".│....│", ".│....│", ".└────┘"}},
      {"top and bottom only",
       Block{.borders = Borders::TOP | Borders::BOTTOM},
       {0, 1, 7, 3},
       {".......", "───────", ".......", "───────"}},
      {"titles inside the side borders",
       Block{.borders = Borders::ALL, .title_top = Line(" ab "), .title_bottom = Line("cd")},
       {0, 0, 7, 3},
       {"┌ ab ─┐", "│.....│", "└cd───┘"}},
      {"title without side borders starts at the edge",
       Block{.borders = Borders::TOP | Borders::BOTTOM, .title_top = Line("xy")},
       {0, 0, 7, 2},
       {"xy─────", "───────", ".......", "......."}},
      {"a long title is cut inside the borders",
       Block{.borders = Borders::ALL, .title_top = Line("abcdefgh")},
       {0, 0, 5, 2},
       {"┌abc┐..", "└───┘..", ".......", "......."}},
      {"centred title",
       Block{.borders = Borders::ALL, .title_top = Line("ab").centered()},
       {0, 0, 7, 2},
       {"┌─ab──┐", "└─────┘", ".......", "......."}},
      {"one cell",
       Block{.borders = Borders::ALL},
       {2, 1, 1, 1},
       {".......", "..┘....", ".......", "......."}},
      {"zero size",
       Block{.borders = Borders::ALL, .title_top = Line("t")},
       {2, 1, 0, 3},
       {".......", ".......", ".......", "......."}},
      {"reaching past the screen",
       Block{.borders = Borders::ALL},
       {4, 2, 10, 10},
       {".......", ".......", "....┌──", "....│.."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Buffer buf = dots(7, 4);
    c.block.render(c.area, buf);
    std::vector<std::string> got = rows(buf);
    got.resize(c.want.size());
    EXPECT_EQ(got, c.want);
  }
}

TEST(Block, TitlesAreDrawnInTheirOwnStyleOnly) {
  // Over cells that were bold, underlined and coloured before the block came.
  Buffer buf(Rect{0, 0, 8, 3});
  buf.set_style(buf.area(),
                Style{.fg = Color::Cyan, .bg = Color::Blue, .underline_color = Color::Red}.with_modifier(
                    tui::Modifier::BOLD | tui::Modifier::UNDERLINED));
  Block{.borders = Borders::ALL,
        .border_style = Style{.fg = Color::White},
        .title_top = Line({Span(" a"), Span("b ", Style{.fg = Color::DarkGray})}),
        .title_bottom = Line(Span("cd", Style{.add_modifier = tui::Modifier::ITALIC}))}
      .render(buf.area(), buf);
  EXPECT_EQ(buf.at(0, 0).fg, Color::White);
  EXPECT_EQ(buf.at(5, 0).fg, Color::White);  // the border line beyond the title
  tui::Cell plain;
  plain.symbol = "a";
  EXPECT_EQ(buf.at(2, 0), plain) << "no colour of its own: the default, not the border's";
  tui::Cell grey;
  grey.symbol = "b";
  grey.fg = Color::DarkGray;
  EXPECT_EQ(buf.at(3, 0), grey);
  tui::Cell italic;
  italic.symbol = "c";
  italic.modifiers = tui::Modifier::ITALIC;
  EXPECT_EQ(buf.at(1, 2), italic);
  EXPECT_EQ(buf.at(1, 1).fg, Color::Cyan);  // the inside is not touched
}

TEST(Block, InnerLeavesRoomForBordersAndTitles) {
  EXPECT_EQ(Block{.borders = Borders::ALL}.inner(Rect{2, 3, 10, 6}), (Rect{3, 4, 8, 4}));
  EXPECT_EQ(Block{.borders = Borders::TOP | Borders::BOTTOM}.inner(Rect{0, 0, 80, 3}), (Rect{0, 1, 80, 1}));
  EXPECT_EQ(Block{.title_top = Line("t")}.inner(Rect{0, 0, 10, 3}), (Rect{0, 1, 10, 2}));
  EXPECT_EQ(Block{}.inner(Rect{1, 1, 4, 4}), (Rect{1, 1, 4, 4}));
  EXPECT_EQ(Block{.borders = Borders::ALL}.inner(Rect{5, 5, 1, 1}), (Rect{6, 6, 0, 0}));
}

TEST(Paragraph, WritesOnlyItsCharactersSoLaterTextsOverlap) {
  Buffer buf = dots(16, 3);
  const Rect row{1, 0, 14, 1};
  tui::Paragraph(Line("left")).render(row, buf);
  tui::Paragraph(Line("mid"), tui::Alignment::Center).render(row, buf);
  tui::Paragraph(Line("right").right_aligned()).render(row, buf);
  tui::Paragraph(Line("ov").right_aligned()).render(row, buf);
  EXPECT_EQ(buf.row_text(0), ".left.mid.rigov.");

  Buffer lines = dots(5, 3);
  tui::Paragraph({Line("a"), Line(), Line("c"), Line("d")}).render(Rect{0, 1, 5, 2}, lines);
  EXPECT_EQ(rows(lines), (std::vector<std::string>{".....", "a....", "....."}));
}

TEST(Table, SpacesEveryColumnAndStylesTheWholeRow) {
  const tui::Table table{
      .rows = {tui::Row{.cells = {Line(""), Line("ab"), Line("cde"), Line("")}},
               tui::Row{.cells = {Line("x"), Line("9").right_aligned(), Line("long text")},
                        .style = Style{.bg = Color::DarkGray}}},
      .widths = {Constraint::length(0), Constraint::length(2), Constraint::length(3), Constraint::length(0)},
      .column_spacing = 1,
  };
  Buffer buf = dots(11, 3);
  table.render(Rect{0, 0, 10, 3}, buf);
  EXPECT_EQ(rows(buf), (std::vector<std::string>{".ab.cde....", "..9.lon....", "..........."}));
  for (int x = 0; x < 10; ++x) EXPECT_EQ(buf.at(x, 1).bg, Color::DarkGray) << x;
  EXPECT_EQ(buf.at(10, 1).bg, Color::Reset);
  EXPECT_EQ(buf.at(0, 0).bg, Color::Reset);
}

TEST(Table, OverFullColumnsShrinkFromTheRight) {
  const tui::Table table{
      .rows = {tui::Row{.cells = {Line("aaaaa"), Line("bbbbb"), Line("ccccc")}}},
      .widths = {Constraint::length(5), Constraint::length(5), Constraint::length(5)},
  };
  Buffer buf = dots(14, 1);
  table.render(Rect{0, 0, 14, 1}, buf);
  EXPECT_EQ(buf.row_text(0), "aaaaa.bbbbb.cc");
  Buffer narrow = dots(14, 1);
  table.render(Rect{0, 0, 8, 1}, narrow);
  EXPECT_EQ(narrow.row_text(0), "aaaaa.bb......");
}

TEST(Clear, BlanksItsAreaOnly) {
  Buffer buf = dots(6, 3);
  buf.set_style(buf.area(), Style{.fg = Color::Red, .bg = Color::Blue});
  buf.set_string(0, 1, "漢字ab");
  tui::Clear{}.render(Rect{1, 1, 2, 5}, buf);
  EXPECT_EQ(rows(buf), (std::vector<std::string>{"......", "    ab", ".  ..."}));
  EXPECT_EQ(buf.at(1, 2), tui::Cell{});
  EXPECT_EQ(buf.at(3, 2).bg, Color::Blue);
  EXPECT_EQ(buf.at(0, 1).bg, Color::Blue);
}

}  // namespace
