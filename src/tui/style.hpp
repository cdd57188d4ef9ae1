#pragma once
// Colours, text modifiers and the five-part style.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace tui {

// A terminal colour: the terminal's default, one of its sixteen named colours (so the user's
// palette applies), or a 24-bit value.
class Color {
 public:
  enum class Kind : uint8_t { Reset, Named, Rgb };

  constexpr Color() = default;
  static constexpr Color rgb(uint8_t r, uint8_t g, uint8_t b) { return Color(Kind::Rgb, r, g, b); }
  // Named colours by their palette index, Black 0 to White 15.
  static constexpr Color named(uint8_t index) {
    return Color(Kind::Named, static_cast<uint8_t>(index & 15), 0, 0);
  }

  static const Color Reset, Black, Red, Green, Yellow, Blue, Magenta, Cyan, Gray, DarkGray, LightRed,
      LightGreen, LightYellow, LightBlue, LightMagenta, LightCyan, White;

  constexpr Kind kind() const { return kind_; }
  constexpr uint8_t index() const { return r_; }  // named colours only
  constexpr uint8_t r() const { return r_; }
  constexpr uint8_t g() const { return g_; }
  constexpr uint8_t b() const { return b_; }

  bool operator==(const Color&) const = default;

 private:
  constexpr Color(Kind kind, uint8_t r, uint8_t g, uint8_t b) : kind_(kind), r_(r), g_(g), b_(b) {}
  Kind kind_ = Kind::Reset;
  uint8_t r_ = 0, g_ = 0, b_ = 0;
};

inline constexpr Color Color::Reset{};
inline constexpr Color Color::Black = Color::named(0);
inline constexpr Color Color::Red = Color::named(1);
inline constexpr Color Color::Green = Color::named(2);
inline constexpr Color Color::Yellow = Color::named(3);
inline constexpr Color Color::Blue = Color::named(4);
inline constexpr Color Color::Magenta = Color::named(5);
inline constexpr Color Color::Cyan = Color::named(6);
inline constexpr Color Color::Gray = Color::named(7);
inline constexpr Color Color::DarkGray = Color::named(8);
inline constexpr Color Color::LightRed = Color::named(9);
inline constexpr Color Color::LightGreen = Color::named(10);
inline constexpr Color Color::LightYellow = Color::named(11);
inline constexpr Color Color::LightBlue = Color::named(12);
inline constexpr Color Color::LightMagenta = Color::named(13);
inline constexpr Color Color::LightCyan = Color::named(14);
inline constexpr Color Color::White = Color::named(15);

// "Red", "Rgb(27, 71, 33)", ...: for test messages.
std::string to_string(Color color);
std::ostream& operator<<(std::ostream& out, Color color);

enum class Modifier : uint16_t {
  NONE = 0,
  BOLD = 1 << 0,
  DIM = 1 << 1,
  ITALIC = 1 << 2,
  UNDERLINED = 1 << 3,
  REVERSED = 1 << 4,
};

constexpr Modifier operator|(Modifier a, Modifier b) {
  return static_cast<Modifier>(static_cast<uint16_t>(a) | static_cast<uint16_t>(b));
}
constexpr Modifier operator&(Modifier a, Modifier b) {
  return static_cast<Modifier>(static_cast<uint16_t>(a) & static_cast<uint16_t>(b));
}
constexpr Modifier operator~(Modifier a) { return static_cast<Modifier>(~static_cast<uint16_t>(a) & 0x1F); }
constexpr Modifier& operator|=(Modifier& a, Modifier b) { return a = a | b; }
constexpr bool contains(Modifier set, Modifier m) { return (set & m) == m; }

std::string to_string(Modifier modifiers);  // "BOLD | UNDERLINED"
std::ostream& operator<<(std::ostream& out, Modifier modifiers);

// A style sets only what it holds: an absent colour keeps the cell's colour, and modifiers are
// added or removed on top of the cell's.
struct Style {
  std::optional<Color> fg{};
  std::optional<Color> bg{};
  std::optional<Color> underline_color{};
  Modifier add_modifier = Modifier::NONE;
  Modifier sub_modifier = Modifier::NONE;

  constexpr Style with_fg(Color c) const { return with_color(&Style::fg, c); }
  constexpr Style with_bg(Color c) const { return with_color(&Style::bg, c); }
  constexpr Style with_underline_color(Color c) const { return with_color(&Style::underline_color, c); }
  constexpr Style with_modifier(Modifier m) const {
    return moving(m, &Style::add_modifier, &Style::sub_modifier);
  }
  constexpr Style without_modifier(Modifier m) const {
    return moving(m, &Style::sub_modifier, &Style::add_modifier);
  }

  // `other` laid over this: its colours where it has them, its modifiers added and removed.
  constexpr Style patch(const Style& other) const {
    Style s;
    s.fg = other.fg ? other.fg : fg;
    s.bg = other.bg ? other.bg : bg;
    s.underline_color = other.underline_color ? other.underline_color : underline_color;
    s.add_modifier = (add_modifier & ~other.sub_modifier) | other.add_modifier;
    s.sub_modifier = (sub_modifier & ~other.add_modifier) | other.sub_modifier;
    return s;
  }

  // All five parts.
  bool operator==(const Style&) const = default;

  // Sets every part: laid over a cell it leaves nothing of the cell's own style, only the
  // default colours and no modifiers. Patch a style onto it to draw exactly that style.
  static constexpr Style reset() {
    return Style{Color::Reset, Color::Reset, Color::Reset, Modifier::NONE, ~Modifier::NONE};
  }

 private:
  constexpr Style with_color(std::optional<Color> Style::*part, Color c) const {
    Style s = *this;
    s.*part = c;
    return s;
  }
  // `m` added to one set of modifiers and taken out of the other.
  constexpr Style moving(Modifier m, Modifier Style::*into, Modifier Style::*out_of) const {
    Style s = *this;
    s.*into |= m;
    s.*out_of = s.*out_of & ~m;
    return s;
  }
};

std::ostream& operator<<(std::ostream& out, const Style& style);

}  // namespace tui
