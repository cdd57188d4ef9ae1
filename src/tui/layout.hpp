#pragma once
// Splitting a rectangle into rows or columns by constraints.
//
// The rule, in full:
// - The space to share is the parent's extent less the spacing between adjacent parts.
// - Length(n) and Min(n) want n; Percentage(p) wants its share of that space, rounded so that
//   neighbouring percentages that add up to 100 fill it exactly; Fill(w) wants nothing.
// - When the wants fit, the space left over goes to the Fill parts in proportion to their
//   weights; without Fill parts it is shared equally by the Min parts; without either it stays
//   unused after the last part.
// - When they do not fit, the parts are served first to last: each gets what it wants while
//   space remains, the one where it runs out gets the rest, every later one gets nothing; the
//   spacing is served in turn between them.
// Every result lies inside the parent, including zero-sized parts at its far edge.

#include <cstdint>
#include <vector>

#include "tui/rect.hpp"

namespace tui {

struct Constraint {
  enum class Kind : uint8_t { Length, Min, Percentage, Fill };
  Kind kind = Kind::Length;
  uint16_t value = 0;

  static constexpr Constraint length(uint16_t n) { return {Kind::Length, n}; }
  static constexpr Constraint min(uint16_t n) { return {Kind::Min, n}; }
  static constexpr Constraint percentage(uint16_t p) { return {Kind::Percentage, p}; }
  static constexpr Constraint fill(uint16_t weight) { return {Kind::Fill, weight}; }

  bool operator==(const Constraint&) const = default;
};

enum class Direction : uint8_t { Horizontal, Vertical };

// The extents (widths or heights) the constraints get out of `total` cells.
std::vector<uint16_t> solve(uint16_t total, const std::vector<Constraint>& constraints, uint16_t spacing = 0);

std::vector<Rect> split(Rect area, Direction direction, const std::vector<Constraint>& constraints,
                        uint16_t spacing = 0);

inline std::vector<Rect> split_vertical(Rect area, const std::vector<Constraint>& constraints,
                                        uint16_t spacing = 0) {
  return split(area, Direction::Vertical, constraints, spacing);
}
inline std::vector<Rect> split_horizontal(Rect area, const std::vector<Constraint>& constraints,
                                          uint16_t spacing = 0) {
  return split(area, Direction::Horizontal, constraints, spacing);
}

}  // namespace tui
