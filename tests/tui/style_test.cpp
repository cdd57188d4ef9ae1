#include "tui/style.hpp"

#include <gtest/gtest.h>

#include "tui/buffer.hpp"
#include "tui/encode.hpp"

namespace {

using tui::Color;
using tui::Modifier;
using tui::Style;

TEST(Style, PatchSetsOnlyWhatTheSpanHas) {
  const Style base{.fg = Color::White, .bg = Color::DarkGray, .add_modifier = Modifier::BOLD};
  struct Case {
    const char* name;
    Style over;
    Style want;
  };
  const Case cases[] = {
      {"nothing", Style{}, base},
      {"foreground only", Style{.fg = Color::Red},
       Style{.fg = Color::Red, .bg = Color::DarkGray, .add_modifier = Modifier::BOLD}},
      {"background only", Style{.bg = Color::rgb(27, 71, 33)},
       Style{.fg = Color::White, .bg = Color::rgb(27, 71, 33), .add_modifier = Modifier::BOLD}},
      {"underline colour", Style{.underline_color = Color::Cyan},
       Style{.fg = Color::White,
             .bg = Color::DarkGray,
             .underline_color = Color::Cyan,
             .add_modifier = Modifier::BOLD}},
      {"modifiers add up", Style{.add_modifier = Modifier::UNDERLINED},
       Style{
           .fg = Color::White, .bg = Color::DarkGray, .add_modifier = Modifier::BOLD | Modifier::UNDERLINED}},
      {"removing a modifier", Style{.sub_modifier = Modifier::BOLD},
       Style{.fg = Color::White, .bg = Color::DarkGray, .sub_modifier = Modifier::BOLD}},
      {"reset is a colour like any other", Style{.fg = Color::Reset},
       Style{.fg = Color::Reset, .bg = Color::DarkGray, .add_modifier = Modifier::BOLD}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(base.patch(c.over), c.want);
  }
  // Re-adding a removed modifier takes it off the removed set.
  EXPECT_EQ(Style{.sub_modifier = Modifier::BOLD}.patch(Style{.add_modifier = Modifier::BOLD}),
            Style{.add_modifier = Modifier::BOLD});
}

TEST(Style, EqualityComparesAllFiveParts) {
  const Style match{.fg = Color::Black, .bg = Color::Yellow};
  EXPECT_EQ(match, Style{}.with_fg(Color::Black).with_bg(Color::Yellow));
  const Style differing[] = {
      match.with_fg(Color::Red),
      match.with_bg(Color::Cyan),
      match.with_underline_color(Color::Black),
      match.with_modifier(Modifier::BOLD),
      match.without_modifier(Modifier::BOLD),
      Style{.bg = Color::Yellow},
  };
  for (const Style& s : differing) EXPECT_NE(match, s) << s;
}

TEST(Style, OnACellAnAbsentColourKeepsTheCellsColour) {
  tui::Cell cell;
  cell.set_style(Style{.fg = Color::White, .bg = Color::DarkGray, .add_modifier = Modifier::BOLD});
  cell.set_style(Style{.fg = Color::Red, .sub_modifier = Modifier::BOLD});
  EXPECT_EQ(cell.fg, Color::Red);
  EXPECT_EQ(cell.bg, Color::DarkGray);
  EXPECT_EQ(cell.modifiers, Modifier::NONE);
}

TEST(Color, EmitsTheStandardCodes) {
  using L = tui::ColorLayer;
  const std::tuple<Color, std::string, std::string> cases[] = {
      {Color::Black, "30", "40"},
      {Color::Red, "31", "41"},
      {Color::Green, "32", "42"},
      {Color::Yellow, "33", "43"},
      {Color::Blue, "34", "44"},
      {Color::Magenta, "35", "45"},
      {Color::Cyan, "36", "46"},
      {Color::Gray, "37", "47"},
      {Color::DarkGray, "90", "100"},
      {Color::LightRed, "91", "101"},
      {Color::LightGreen, "92", "102"},
      {Color::LightYellow, "93", "103"},
      {Color::LightBlue, "94", "104"},
      {Color::LightMagenta, "95", "105"},
      {Color::LightCyan, "96", "106"},
      {Color::White, "97", "107"},
      {Color::Reset, "39", "49"},
      {Color::rgb(27, 71, 33), "38;2;27;71;33", "48;2;27;71;33"},
      {Color::rgb(0, 255, 7), "38;2;0;255;7", "48;2;0;255;7"},
  };
  for (const auto& [color, fg, bg] : cases) {
    SCOPED_TRACE(tui::to_string(color));
    EXPECT_EQ(tui::color_parameters(color, L::Foreground), fg);
    EXPECT_EQ(tui::color_parameters(color, L::Background), bg);
  }
  EXPECT_EQ(tui::color_parameters(Color::rgb(1, 2, 3), L::Underline), "58;2;1;2;3");
  EXPECT_EQ(tui::color_parameters(Color::Cyan, L::Underline), "58;5;6");
  EXPECT_EQ(tui::color_parameters(Color::Reset, L::Underline), "59");
}

}  // namespace
