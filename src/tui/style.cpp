#include "tui/style.hpp"

#include <array>
#include <ostream>
#include <string_view>

namespace tui {

std::string to_string(Color color) {
  static constexpr std::array<std::string_view, 16> names = {
      "Black",    "Red",      "Green",      "Yellow",      "Blue",      "Magenta",      "Cyan",      "Gray",
      "DarkGray", "LightRed", "LightGreen", "LightYellow", "LightBlue", "LightMagenta", "LightCyan", "White"};
  switch (color.kind()) {
    case Color::Kind::Reset:
      return "Reset";
    case Color::Kind::Named:
      return std::string(names[color.index()]);
    case Color::Kind::Rgb:
      return "Rgb(" + std::to_string(color.r()) + ", " + std::to_string(color.g()) + ", " +
             std::to_string(color.b()) + ")";
  }
  return "?";
}

std::ostream& operator<<(std::ostream& out, Color color) { return out << to_string(color); }

std::string to_string(Modifier modifiers) {
  static constexpr std::pair<Modifier, std::string_view> names[] = {{Modifier::BOLD, "BOLD"},
                                                                    {Modifier::DIM, "DIM"},
                                                                    {Modifier::ITALIC, "ITALIC"},
                                                                    {Modifier::UNDERLINED, "UNDERLINED"},
                                                                    {Modifier::REVERSED, "REVERSED"}};
  std::string out;
  for (const auto& [m, name] : names) {
    if (!contains(modifiers, m)) continue;
    if (!out.empty()) out += " | ";
    out += name;
  }
  return out.empty() ? "NONE" : out;
}

std::ostream& operator<<(std::ostream& out, Modifier modifiers) { return out << to_string(modifiers); }

std::ostream& operator<<(std::ostream& out, const Style& style) {
  out << "Style{";
  if (style.fg) out << "fg " << *style.fg << ' ';
  if (style.bg) out << "bg " << *style.bg << ' ';
  if (style.underline_color) out << "underline " << *style.underline_color << ' ';
  return out << "+" << style.add_modifier << " -" << style.sub_modifier << "}";
}

}  // namespace tui
