#pragma once
// The grid of cells that widgets draw into and that the terminal shows.
//
// A wide character takes two cells: the first holds it, the second holds the empty symbol and
// the same style. Writing over either half of a wide character turns its other half into a space,
// so the grid never holds half a character.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "tui/rect.hpp"
#include "tui/style.hpp"

namespace tui {

struct Cell {
  std::string symbol = " ";  // one grapheme, already filtered; empty behind a wide character
  Color fg{};
  Color bg{};
  Color underline_color{};
  Modifier modifiers = Modifier::NONE;

  void set_style(const Style& style);
  Style style() const;
  // Cheap parts first: frames are compared cell by cell.
  bool operator==(const Cell& o) const {
    return fg == o.fg && bg == o.bg && underline_color == o.underline_color && modifiers == o.modifiers &&
           symbol.size() == o.symbol.size() &&
           (symbol.size() == 1 ? symbol[0] == o.symbol[0] : symbol == o.symbol);
  }
};

std::ostream& operator<<(std::ostream& out, const Cell& cell);

class Buffer {
 public:
  Buffer() = default;
  explicit Buffer(Rect area);

  Rect area() const { return area_; }

  // Cells by absolute position; std::out_of_range outside the area.
  Cell& at(int x, int y);
  const Cell& at(int x, int y) const;

  // The symbols of one row (absolute y) joined, so a wide character appears once.
  std::string row_text(int y) const;

  // Writes text from (x, y) rightwards with the style patched onto each cell, cut at the right
  // edge; returns the column after the text.
  int set_string(int x, int y, std::string_view text, const Style& style = {});

  // Patches the style onto every cell of the rectangle (its symbols stay); a wide character
  // takes the style of its first half.
  void set_style(Rect rect, const Style& style);

  // Turns the cells of the rectangle back into plain spaces.
  void clear(Rect rect);

  // Every cell plain; `resize` also takes the new area.
  void reset();
  void resize(Rect area);

  // One grapheme of `width` (1 or 2) cells at (x, y), which must lie inside the area.
  void put(int x, int y, std::string_view symbol, int width, const Style& style);
  // A mark without a base joins the grapheme at or before (x, y).
  void join(int x, int y, std::string_view mark);

  const std::vector<Cell>& cells() const { return cells_; }

  bool operator==(const Buffer&) const = default;

 private:
  std::size_t index(int x, int y) const;  // checked
  std::size_t offset(int x, int y) const {
    return static_cast<std::size_t>(y - area_.y) * area_.width + static_cast<std::size_t>(x - area_.x);
  }
  void blank_wide_halves(int x, int y, int width);

  Rect area_;
  std::vector<Cell> cells_;
};

// Writes a run of texts along one row, clipped to a rectangle: what falls outside it is skipped,
// a grapheme that would cross its right edge ends the run, and a mark joins the grapheme this
// writer wrote last.
class RowWriter {
 public:
  RowWriter(Buffer& buffer, int x, int y, Rect clip);
  void write(std::string_view text, const Style& style);
  int x() const { return x_; }

 private:
  Buffer& buffer_;
  int x_, y_;
  Rect clip_;
  bool row_visible_;
  bool stopped_ = false;
  bool wrote_ = false;  // the cell before x_ holds this writer's last grapheme
};

}  // namespace tui
