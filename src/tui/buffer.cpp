#include "tui/buffer.hpp"

#include <ostream>
#include <stdexcept>

#include "tui/graphemes.hpp"

namespace tui {

void Cell::set_style(const Style& style) {
  if (style.fg) fg = *style.fg;
  if (style.bg) bg = *style.bg;
  if (style.underline_color) underline_color = *style.underline_color;
  modifiers = (modifiers & ~style.sub_modifier) | style.add_modifier;
}

Style Cell::style() const { return Style{fg, bg, underline_color, modifiers, Modifier::NONE}; }

std::ostream& operator<<(std::ostream& out, const Cell& cell) {
  return out << "Cell{\"" << cell.symbol << "\" fg " << cell.fg << " bg " << cell.bg << " underline "
             << cell.underline_color << " " << cell.modifiers << "}";
}

Buffer::Buffer(Rect area) : area_(area), cells_(area.area()) {}

std::size_t Buffer::index(int x, int y) const {
  if (!area_.contains(x, y)) {
    throw std::out_of_range("cell (" + std::to_string(x) + ", " + std::to_string(y) +
                            ") is outside the buffer");
  }
  return static_cast<std::size_t>(y - area_.y) * area_.width + static_cast<std::size_t>(x - area_.x);
}

Cell& Buffer::at(int x, int y) { return cells_[index(x, y)]; }
const Cell& Buffer::at(int x, int y) const { return cells_[index(x, y)]; }

std::string Buffer::row_text(int y) const {
  std::string out;
  if (y < area_.y || y >= area_.bottom() || area_.width == 0) return out;
  const std::size_t start = index(area_.x, y);
  for (std::size_t i = 0; i < area_.width; ++i) out += cells_[start + i].symbol;
  return out;
}

int Buffer::set_string(int x, int y, std::string_view text, const Style& style) {
  RowWriter writer(*this, x, y, area_);
  writer.write(text, style);
  return writer.x();
}

// A wide character is styled whole, by its first half: the terminal shows one style for both.
void Buffer::set_style(Rect rect, const Style& style) {
  rect = rect.intersection(area_);
  for (int y = rect.y; y < rect.bottom(); ++y) {
    Cell* cell = &cells_[offset(rect.x, y)];
    for (int x = rect.x; x < rect.right(); ++x, ++cell) {
      if (cell->symbol.empty()) continue;
      cell->set_style(style);
      if (x + 1 < area_.right() && cell[1].symbol.empty()) {
        cell[1] = *cell;
        cell[1].symbol.clear();
      }
    }
  }
}

void Buffer::clear(Rect rect) {
  rect = rect.intersection(area_);
  if (rect.is_empty()) return;
  for (int y = rect.y; y < rect.bottom(); ++y) {
    blank_wide_halves(rect.x, y, rect.width);
    for (int x = rect.x; x < rect.right(); ++x) cells_[offset(x, y)] = Cell{};
  }
}

void Buffer::reset() {
  for (Cell& cell : cells_) {
    if (cell.symbol.size() == 1) {
      cell.symbol[0] = ' ';
    } else {
      cell.symbol.assign(1, ' ');
    }
    cell.fg = cell.bg = cell.underline_color = Color::Reset;
    cell.modifiers = Modifier::NONE;
  }
}

void Buffer::resize(Rect area) {
  area_ = area;
  cells_.assign(area.area(), Cell{});
}

// Cells [x, x + width) are about to be overwritten: a wide character cut by either end loses its
// other half.
void Buffer::blank_wide_halves(int x, int y, int width) {
  Cell* row = &cells_[offset(area_.x, y)];
  const int i = x - area_.x;
  if (row[i].symbol.empty() && i > 0) row[i - 1].symbol.assign(1, ' ');
  if (i + width < area_.width && row[i + width].symbol.empty()) row[i + width].symbol.assign(1, ' ');
}

void Buffer::put(int x, int y, std::string_view symbol, int width, const Style& style) {
  blank_wide_halves(x, y, width);
  Cell* row = &cells_[offset(area_.x, y)];
  const int i = x - area_.x;
  Cell& cell = row[i];
  if (symbol.size() == 1 && cell.symbol.size() == 1) {
    cell.symbol[0] = symbol[0];
  } else {
    cell.symbol.assign(symbol);
  }
  cell.set_style(style);
  if (width == 2) {
    row[i + 1] = cell;
    row[i + 1].symbol.clear();
  }
}

void Buffer::join(int x, int y, std::string_view mark) {
  if (at(x, y).symbol.empty() && x > area_.x) --x;
  std::string& symbol = at(x, y).symbol;
  if (symbol.size() + mark.size() <= MAX_SYMBOL_BYTES) symbol += mark;
}

RowWriter::RowWriter(Buffer& buffer, int x, int y, Rect clip)
    : buffer_(buffer), x_(x), y_(y), clip_(clip.intersection(buffer.area())) {
  row_visible_ = y >= clip_.y && y < clip_.bottom() && !clip_.is_empty();
}

void RowWriter::write(std::string_view text, const Style& style) {
  if (!row_visible_ || stopped_) return;
  GraphemeCursor cursor(text);
  std::string symbol;
  int width = 0;
  while (cursor.next(symbol, width)) {
    if (width == 0) {
      if (wrote_) buffer_.join(x_ - 1, y_, symbol);
      continue;
    }
    if (x_ + width > clip_.right()) {
      stopped_ = true;
      return;
    }
    wrote_ = x_ >= clip_.x;
    if (wrote_) buffer_.put(x_, y_, symbol, width, style);
    x_ += width;
  }
}

}  // namespace tui
