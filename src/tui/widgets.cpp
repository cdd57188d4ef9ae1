#include "tui/widgets.hpp"

#include <algorithm>

namespace tui {

namespace {

void put_border(Buffer& buffer, int x, int y, const char* symbol, const Style& style) {
  if (buffer.area().contains(x, y)) buffer.put(x, y, symbol, 1, style);
}

void render_title(const Line& title, Rect area, Buffer& buffer) {
  Line own = title;
  own.style = Style::reset().patch(title.style);
  own.render(area, buffer);
}

}  // namespace

Rect Block::inner(Rect area) const {
  const int left = has(borders, Borders::LEFT) ? 1 : 0;
  const int right = has(borders, Borders::RIGHT) ? 1 : 0;
  const int top = has(borders, Borders::TOP) || title_top ? 1 : 0;
  const int bottom = has(borders, Borders::BOTTOM) || title_bottom ? 1 : 0;
  const int w = std::max(0, area.width - left - right);
  const int h = std::max(0, area.height - top - bottom);
  return Rect{static_cast<uint16_t>(std::min<int>(area.x + left, area.right())),
              static_cast<uint16_t>(std::min<int>(area.y + top, area.bottom())), static_cast<uint16_t>(w),
              static_cast<uint16_t>(h)};
}

void Block::render(Rect area, Buffer& buffer) const {
  if (area.is_empty()) return;
  const int x0 = area.x, y0 = area.y, x1 = area.right() - 1, y1 = area.bottom() - 1;
  const bool top = has(borders, Borders::TOP), bottom = has(borders, Borders::BOTTOM);
  const bool left = has(borders, Borders::LEFT), right = has(borders, Borders::RIGHT);
  for (int x = x0; x <= x1; ++x) {
    if (top) put_border(buffer, x, y0, "─", border_style);
    if (bottom) put_border(buffer, x, y1, "─", border_style);
  }
  for (int y = y0; y <= y1; ++y) {
    if (left) put_border(buffer, x0, y, "│", border_style);
    if (right) put_border(buffer, x1, y, "│", border_style);
  }
  if (top && left) put_border(buffer, x0, y0, "┌", border_style);
  if (top && right) put_border(buffer, x1, y0, "┐", border_style);
  if (bottom && left) put_border(buffer, x0, y1, "└", border_style);
  if (bottom && right) put_border(buffer, x1, y1, "┘", border_style);

  const int title_x = x0 + (left ? 1 : 0);
  const int title_w = std::max(0, area.width - (left ? 1 : 0) - (right ? 1 : 0));
  if (title_w == 0) return;
  if (title_top) {
    render_title(*title_top, Rect{static_cast<uint16_t>(title_x), area.y, static_cast<uint16_t>(title_w), 1},
                 buffer);
  }
  if (title_bottom) {
    render_title(
        *title_bottom,
        Rect{static_cast<uint16_t>(title_x), static_cast<uint16_t>(y1), static_cast<uint16_t>(title_w), 1},
        buffer);
  }
}

void Paragraph::render(Rect area, Buffer& buffer) const {
  const std::size_t rows = std::min<std::size_t>(lines.size(), area.height);
  for (std::size_t i = 0; i < rows; ++i) {
    lines[i].render(Rect{area.x, static_cast<uint16_t>(area.y + i), area.width, 1}, buffer, alignment);
  }
}

void Table::render(Rect area, Buffer& buffer) const {
  if (area.is_empty()) return;
  const std::vector<Rect> columns = split_horizontal(area, widths, column_spacing);
  const std::size_t count = std::min<std::size_t>(rows.size(), area.height);
  for (std::size_t i = 0; i < count; ++i) {
    const Row& row = rows[i];
    const auto y = static_cast<uint16_t>(area.y + i);
    if (row.style != Style{}) buffer.set_style(Rect{area.x, y, area.width, 1}, row.style);
    const std::size_t cells = std::min(row.cells.size(), columns.size());
    for (std::size_t c = 0; c < cells; ++c) {
      row.cells[c].render(Rect{columns[c].x, y, columns[c].width, 1}, buffer);
    }
  }
}

}  // namespace tui
