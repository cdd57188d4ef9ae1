#include "tui/text.hpp"

#include <ostream>

#include "tui/graphemes.hpp"

namespace tui {

std::size_t Span::width() const { return display_width(content); }

std::ostream& operator<<(std::ostream& out, const Span& span) {
  return out << "Span{\"" << span.content << "\" " << span.style << "}";
}

std::size_t Line::width() const {
  std::size_t total = 0;
  for (const Span& span : spans) total += span.width();
  return total;
}

void Line::render(Rect area, Buffer& buffer, Alignment fallback) const {
  if (area.is_empty()) return;
  const Alignment align = alignment.value_or(fallback);
  int offset = 0;
  if (align != Alignment::Left) {
    const std::size_t w = width();
    if (w < area.width) {
      const int spare = area.width - static_cast<int>(w);
      offset = align == Alignment::Center ? spare / 2 : spare;
    }
  }
  RowWriter writer(buffer, area.x + offset, area.y, Rect{area.x, area.y, area.width, 1});
  for (const Span& span : spans) writer.write(span.content, style.patch(span.style));
}

std::ostream& operator<<(std::ostream& out, const Line& line) {
  out << "Line{";
  for (const Span& span : line.spans) out << span << ' ';
  return out << "}";
}

}  // namespace tui
