#pragma once
// Styled text: spans gathered into lines.

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tui/buffer.hpp"
#include "tui/rect.hpp"
#include "tui/style.hpp"

namespace tui {

enum class Alignment : uint8_t { Left, Center, Right };

struct Span {
  std::string content;
  Style style;

  Span() = default;
  Span(std::string text, Style s = {}) : content(std::move(text)), style(s) {}
  Span(const char* text, Style s = {}) : content(text), style(s) {}
  Span(std::string_view text, Style s = {}) : content(text), style(s) {}

  std::size_t width() const;  // cells
  bool operator==(const Span&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Span& span);

struct Line {
  std::vector<Span> spans;
  Style style;                         // laid under every span's own style
  std::optional<Alignment> alignment;  // absent: the paragraph's

  Line() = default;
  Line(std::initializer_list<Span> s) : spans(s) {}
  Line(std::vector<Span> s) : spans(std::move(s)) {}
  Line(Span span) : spans{std::move(span)} {}

  Line aligned(Alignment a) const {
    Line l = *this;
    l.alignment = a;
    return l;
  }
  Line centered() const { return aligned(Alignment::Center); }
  Line right_aligned() const { return aligned(Alignment::Right); }

  std::size_t width() const;  // cells

  // Draws into the first row of the area, writing only the cells its text covers. A line wider
  // than the area starts at the left edge whatever its alignment and is cut at the right edge;
  // centring rounds the left offset down.
  void render(Rect area, Buffer& buffer, Alignment fallback = Alignment::Left) const;

  bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line);

}  // namespace tui
