#include "tui/encode.hpp"

#include <gtest/gtest.h>

#include <random>

#include "model_screen.hpp"
#include "tui/widgets.hpp"

namespace {

using tui::Buffer;
using tui::Color;
using tui::Modifier;
using tui::Rect;
using tui::Style;
using tui_test::ModelScreen;

std::string diff(const Buffer& a, const Buffer& b) {
  std::string out;
  tui::append_diff(out, a, b);
  return out;
}

// A frame of random texts, styles, wide and combining characters, controls and cleared patches.
Buffer random_frame(std::mt19937& rng, Rect area) {
  static const char* texts[] = {"a",    "bc", "漢字", "─│┌", "e\xCC\x81",  "\t\r\x1b", "\xC2\x9b",
                                "x漢y", "  ", "⠋",    "é",   "ab\xCC\x81", "國"};
  static const Color colors[] = {Color::Reset,           Color::Red,
                                 Color::DarkGray,        Color::White,
                                 Color::rgb(27, 71, 33), Color::rgb(191, 197, 210)};
  static const Modifier mods[] = {Modifier::NONE, Modifier::BOLD, Modifier::UNDERLINED,
                                  Modifier::BOLD | Modifier::UNDERLINED,
                                  Modifier::REVERSED | Modifier::ITALIC};
  Buffer buf(area);
  const int strokes = static_cast<int>(rng() % 25);
  for (int i = 0; i < strokes; ++i) {
    const int x = area.x + static_cast<int>(rng() % area.width);
    const int y = area.y + static_cast<int>(rng() % area.height);
    Style style;
    if (rng() % 2) style.fg = colors[rng() % 6];
    if (rng() % 2) style.bg = colors[rng() % 6];
    if (rng() % 5 == 0) style.underline_color = colors[rng() % 6];
    style.add_modifier = mods[rng() % 5];
    if (rng() % 4 == 0) style.sub_modifier = Modifier::BOLD;
    switch (rng() % 6) {
      case 0:
        tui::Clear{}.render(Rect{static_cast<uint16_t>(x), static_cast<uint16_t>(y), 3, 2}, buf);
        break;
      case 1:
        buf.set_style(Rect{static_cast<uint16_t>(x), static_cast<uint16_t>(y), 4, 1}, style);
        break;
      default:
        buf.set_string(x, y, texts[rng() % 13], style);
    }
  }
  return buf;
}

TEST(FrameDiff, ApplyingTheBytesToTheScreenGivesTheNewFrame) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE(round);
    const Rect area{0, 0, static_cast<uint16_t>(1 + rng() % 20), static_cast<uint16_t>(1 + rng() % 6)};
    const Buffer blank(area);
    const Buffer a = random_frame(rng, area);
    const Buffer b = rng() % 5 == 0 ? a : random_frame(rng, area);
    ModelScreen screen(area.width, area.height);
    screen.apply(diff(blank, a));
    ASSERT_EQ(screen.screen(), a) << tui_test::first_difference(screen.screen(), a);
    screen.apply(diff(a, b));
    ASSERT_EQ(screen.screen(), b) << tui_test::first_difference(screen.screen(), b) << "\nafter "
                                  << testing::PrintToString(testing_support::rows(a));
    EXPECT_EQ(diff(b, b), "");
  }
}

TEST(FrameDiff, SendsOnlyWhatChanged) {
  const Rect area{0, 0, 10, 3};
  const Buffer blank(area);
  struct Case {
    const char* name;
    std::function<void(Buffer&)> draw;
    std::string want;
  };
  const Case cases[] = {
      {"nothing", [](Buffer&) {}, ""},
      {"one run: one move", [](Buffer& b) { b.set_string(3, 1, "ab", Style{.fg = Color::Red}); },
       "\x1b[2;4H\x1b[31mab\x1b[0m"},
      {"a gap on the same row moves forward",
       [](Buffer& b) {
         b.set_string(0, 0, "a");
         b.set_string(4, 0, "b");
         b.set_string(5, 0, "c");
       },
       "\x1b[1;1Ha\x1b[3Cbc"},
      {"next row",
       [](Buffer& b) {
         b.set_string(9, 0, "a");
         b.set_string(0, 1, "b");
       },
       "\x1b[1;10Ha\x1b[2;1Hb"},
      {"only the attributes that change",
       [](Buffer& b) {
         b.set_string(0, 0, "a", Style{.fg = Color::Red, .add_modifier = Modifier::BOLD});
         b.set_string(1, 0, "b", Style{.fg = Color::Red, .add_modifier = Modifier::BOLD});
         b.set_string(2, 0, "c", Style{.fg = Color::Red});
         b.set_string(3, 0, "d", Style{.fg = Color::Red, .bg = Color::rgb(120, 25, 27)});
       },
       "\x1b[1;1H\x1b[1;31mab\x1b[0;31mc\x1b[48;2;120;25;27md\x1b[0m"},
      {"a wide character is written once and placed afresh after",
       [](Buffer& b) { b.set_string(0, 2, "漢z"); }, "\x1b[3;1H漢\x1b[3;3Hz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Buffer b(area);
    c.draw(b);
    EXPECT_EQ(diff(blank, b), c.want);
  }

  // Changing one cell of a full frame sends that cell alone.
  Buffer full(area);
  for (int y = 0; y < 3; ++y) full.set_string(0, y, "0123456789", Style{.bg = Color::Blue});
  Buffer changed = full;
  changed.set_string(5, 2, "X", Style{.bg = Color::Blue});
  EXPECT_EQ(diff(full, changed), "\x1b[3;6H\x1b[44mX\x1b[0m");
}

TEST(FrameDiff, DifferentAreasRepaintFromBlank) {
  Buffer small(Rect{0, 0, 2, 1});
  small.set_string(0, 0, "ab");
  Buffer big(Rect{0, 0, 4, 2});
  big.set_string(0, 1, "c");
  ModelScreen screen(4, 2);
  screen.apply(diff(small, big));
  EXPECT_EQ(screen.screen(), big);
}

TEST(Title, ControlCharactersAreShownNotObeyed) {
  const std::pair<std::string, std::string> cases[] = {
      {"repo", "\x1b]0;repo\x07"},
      {"evil\x07\x1b]0;x", "\x1b]0;evil␇␛]0;x\x07"},
      {"tab\there", "\x1b]0;tab here\x07"},
      {"c1\xC2\x9c", "\x1b]0;c1\xEF\xBF\xBD\x07"},
      {"bad\xFF", "\x1b]0;bad\xEF\xBF\xBD\x07"},
  };
  for (const auto& [title, want] : cases) {
    EXPECT_EQ(tui::title_sequence(title), want);
    ModelScreen screen(1, 1);
    screen.apply(tui::title_sequence(title));
  }
}

}  // namespace
