#pragma once
// The widgets the screens are made of. None of them clears its area: each writes only the cells
// its characters and borders cover, so later widgets can be drawn over earlier ones. Clear is
// the one that blanks.

#include <cstdint>
#include <optional>
#include <vector>

#include "tui/buffer.hpp"
#include "tui/layout.hpp"
#include "tui/rect.hpp"
#include "tui/style.hpp"
#include "tui/text.hpp"

namespace tui {

enum class Borders : uint8_t { NONE = 0, TOP = 1, BOTTOM = 2, LEFT = 4, RIGHT = 8, ALL = 15 };

constexpr Borders operator|(Borders a, Borders b) {
  return static_cast<Borders>(static_cast<uint8_t>(a) | static_cast<uint8_t>(b));
}
constexpr bool has(Borders set, Borders side) {
  return (static_cast<uint8_t>(set) & static_cast<uint8_t>(side)) == static_cast<uint8_t>(side);
}

// Borders of the plain line set and up to two titles. A title starts inside the side borders and
// is drawn over the border line in its own style alone: what its spans do not set is the default,
// not the border's colour nor anything else of the cells beneath.
struct Block {
  Borders borders = Borders::NONE;
  Style border_style{};
  std::optional<Line> title_top{};
  std::optional<Line> title_bottom{};

  // The area less its borders (and less the title rows where there is no border to hold them).
  Rect inner(Rect area) const;
  void render(Rect area, Buffer& buffer) const;
};

// Lines from the top of the area, one per row, never wrapped.
struct Paragraph {
  std::vector<Line> lines;
  Alignment alignment = Alignment::Left;  // for lines that have none of their own

  Paragraph() = default;
  Paragraph(std::vector<Line> l, Alignment a = Alignment::Left) : lines(std::move(l)), alignment(a) {}
  Paragraph(Line line, Alignment a = Alignment::Left) : lines{std::move(line)}, alignment(a) {}

  void render(Rect area, Buffer& buffer) const;
};

// One row of a table: a line per column, and a style laid over the whole row first, the gaps
// between the columns and the margins included.
struct Row {
  std::vector<Line> cells{};
  Style style{};
};

// Rows from the top of the area, one per terminal row. The columns come from `widths` laid out
// over the area's width with `column_spacing` blank cells between every adjacent pair of columns,
// zero-width ones included (see layout.hpp for how over-full widths shrink).
struct Table {
  std::vector<Row> rows{};
  std::vector<Constraint> widths{};
  uint16_t column_spacing = 1;

  void render(Rect area, Buffer& buffer) const;
};

// Blanks its area: plain spaces in the default colours.
struct Clear {
  void render(Rect area, Buffer& buffer) const { buffer.clear(area); }
};

}  // namespace tui
