#include "tui/encode.hpp"

#include <charconv>

#include "tui/graphemes.hpp"

namespace tui {

namespace {

void append_number(std::string& out, unsigned n) {
  char digits[12];
  const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
  out.append(digits, end);
}

void append_color(std::string& out, Color color, ColorLayer layer) {
  switch (color.kind()) {
    case Color::Kind::Reset:
      out += layer == ColorLayer::Foreground ? "39" : layer == ColorLayer::Background ? "49" : "59";
      return;
    case Color::Kind::Named: {
      const unsigned i = color.index();
      if (layer == ColorLayer::Underline) {
        out += "58;5;";
        append_number(out, i);
        return;
      }
      const unsigned base = layer == ColorLayer::Foreground ? 30 : 40;
      append_number(out, i < 8 ? base + i : base + 60 + (i - 8));
      return;
    }
    case Color::Kind::Rgb:
      out += layer == ColorLayer::Foreground ? "38;2;" : layer == ColorLayer::Background ? "48;2;" : "58;2;";
      append_number(out, color.r());
      out += ';';
      append_number(out, color.g());
      out += ';';
      append_number(out, color.b());
      return;
  }
}

struct Pen {
  Color fg, bg, underline;
  Modifier modifiers = Modifier::NONE;
  bool operator==(const Pen&) const = default;
};

constexpr std::pair<Modifier, unsigned> MODIFIER_CODES[] = {{Modifier::BOLD, 1},
                                                            {Modifier::DIM, 2},
                                                            {Modifier::ITALIC, 3},
                                                            {Modifier::UNDERLINED, 4},
                                                            {Modifier::REVERSED, 7}};

class Encoder {
 public:
  Encoder(std::string& out, Rect area) : out_(out), area_(area) {}

  void print(int x, int y, const Cell& cell, int width) {
    move_to(x, y);
    select(cell);
    out_ += cell.symbol;
    x_ += width;
    // Past the last column the terminal waits to wrap; and our idea of a complex grapheme's width
    // may not be the terminal's. Either way, place the cursor afresh for the next cell.
    if (x_ >= area_.right() || !simple(cell.symbol, width)) known_ = false;
  }

  void finish() {
    if (pen_ != Pen{}) out_ += "\x1b[0m";
  }

 private:
  static bool simple(const std::string& symbol, int width) {
    if (symbol.size() == 1) return true;
    if (width != 1) return false;
    const auto lead = static_cast<unsigned char>(symbol[0]);
    const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return symbol.size() == length;  // one code point
  }

  void move_to(int x, int y) {
    if (known_ && x == x_ && y == y_) return;
    std::string cup = "\x1b[";
    append_number(cup, static_cast<unsigned>(y + 1));
    cup += ';';
    append_number(cup, static_cast<unsigned>(x + 1));
    cup += 'H';
    if (known_ && y == y_ && x > x_) {
      std::string cuf = "\x1b[";
      if (x - x_ > 1) append_number(cuf, static_cast<unsigned>(x - x_));
      cuf += 'C';
      if (cuf.size() < cup.size()) cup = std::move(cuf);
    }
    out_ += cup;
    known_ = true;
    x_ = x;
    y_ = y;
  }

  void select(const Cell& cell) {
    const Pen want{cell.fg, cell.bg, cell.underline_color, cell.modifiers};
    if (want == pen_) return;
    std::string params;
    auto add = [&params](auto&&... parts) {
      if (!params.empty()) params += ';';
      (params.append(parts), ...);
    };
    if ((pen_.modifiers & ~want.modifiers) != Modifier::NONE) {
      add("0");
      pen_ = Pen{};
    }
    for (const auto& [modifier, code] : MODIFIER_CODES) {
      if (contains(want.modifiers, modifier) && !contains(pen_.modifiers, modifier)) {
        std::string n;
        append_number(n, code);
        add(n);
      }
    }
    if (want.fg != pen_.fg) add(color_parameters(want.fg, ColorLayer::Foreground));
    if (want.bg != pen_.bg) add(color_parameters(want.bg, ColorLayer::Background));
    if (want.underline != pen_.underline) add(color_parameters(want.underline, ColorLayer::Underline));
    out_ += "\x1b[";
    out_ += params;
    out_ += 'm';
    pen_ = want;
  }

  std::string& out_;
  Rect area_;
  Pen pen_;
  bool known_ = false;
  int x_ = 0, y_ = 0;
};

}  // namespace

std::string color_parameters(Color color, ColorLayer layer) {
  std::string out;
  append_color(out, color, layer);
  return out;
}

void append_diff(std::string& out, const Buffer& previous, const Buffer& next) {
  const Rect area = next.area();
  const std::vector<Cell>& now = next.cells();
  const std::vector<Cell>& before = previous.cells();
  const bool comparable = previous.area() == area;
  const Cell blank;
  Encoder encoder(out, area);
  std::size_t i = 0;
  for (int y = area.y; y < area.bottom(); ++y) {
    for (int x = area.x; x < area.right(); ++x, ++i) {
      const Cell& cell = now[i];
      // A wide character's second half is drawn with its first.
      if (cell.symbol.empty() || cell == (comparable ? before[i] : blank)) continue;
      const bool wide = x + 1 < area.right() && now[i + 1].symbol.empty();
      encoder.print(x, y, cell, wide ? 2 : 1);
    }
  }
  encoder.finish();
}

std::string title_sequence(std::string_view title) { return "\x1b]0;" + sanitize(title) + "\x07"; }

}  // namespace tui
