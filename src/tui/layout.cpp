#include "tui/layout.hpp"

#include <algorithm>
#include <cstdint>

namespace tui {

namespace {

// Share `amount` over parts by weight, rounding the running total so the shares add up exactly.
void share(int64_t amount, const std::vector<int64_t>& weights, std::vector<int64_t>& into) {
  int64_t whole = 0;
  for (int64_t w : weights) whole += w;
  if (whole == 0) return;
  int64_t before = 0;
  for (size_t i = 0; i < weights.size(); ++i) {
    if (weights[i] == 0) continue;
    into[i] += amount * (before + weights[i]) / whole - amount * before / whole;
    before += weights[i];
  }
}

}  // namespace

std::vector<uint16_t> solve(uint16_t total, const std::vector<Constraint>& constraints, uint16_t spacing) {
  const size_t n = constraints.size();
  if (n == 0) return {};
  const int64_t gaps = int64_t{spacing} * static_cast<int64_t>(n - 1);
  const int64_t space = std::max<int64_t>(0, total - gaps);

  std::vector<int64_t> want(n, 0);
  int64_t percent_before = 0, sum = 0;
  for (size_t i = 0; i < n; ++i) {
    const Constraint& c = constraints[i];
    switch (c.kind) {
      case Constraint::Kind::Length:
      case Constraint::Kind::Min:
        want[i] = c.value;
        break;
      case Constraint::Kind::Percentage:
        want[i] = space * (percent_before + c.value) / 100 - space * percent_before / 100;
        percent_before += c.value;
        break;
      case Constraint::Kind::Fill:
        break;
    }
    sum += want[i];
  }

  std::vector<uint16_t> out(n, 0);
  if (sum + gaps <= total) {
    const int64_t excess = space - sum;
    std::vector<int64_t> fill_weights(n, 0), min_weights(n, 0);
    bool any_fill = false;
    for (size_t i = 0; i < n; ++i) {
      if (constraints[i].kind == Constraint::Kind::Fill && constraints[i].value > 0) {
        fill_weights[i] = constraints[i].value;
        any_fill = true;
      }
      if (constraints[i].kind == Constraint::Kind::Min) min_weights[i] = 1;
    }
    share(excess, any_fill ? fill_weights : min_weights, want);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint16_t>(want[i]);
    return out;
  }

  // Over-full: first come, first served.
  int64_t left = total;
  for (size_t i = 0; i < n; ++i) {
    const int64_t give = std::min(want[i], left);
    out[i] = static_cast<uint16_t>(give);
    left -= give;
    if (i + 1 < n) left -= std::min<int64_t>(spacing, left);
  }
  return out;
}

std::vector<Rect> split(Rect area, Direction direction, const std::vector<Constraint>& constraints,
                        uint16_t spacing) {
  // A rectangle reaching past the coordinate range ends where the range does.
  area.width = static_cast<uint16_t>(area.right() - area.x);
  area.height = static_cast<uint16_t>(area.bottom() - area.y);
  const bool horizontal = direction == Direction::Horizontal;
  const int start = horizontal ? area.x : area.y;
  const int end = horizontal ? area.right() : area.bottom();
  const std::vector<uint16_t> sizes = solve(static_cast<uint16_t>(end - start), constraints, spacing);

  std::vector<Rect> out;
  out.reserve(sizes.size());
  int at = start;
  for (uint16_t size : sizes) {
    const int from = std::min(at, end);
    const auto extent = static_cast<uint16_t>(std::min<int>(size, end - from));
    if (horizontal) {
      out.push_back(Rect{static_cast<uint16_t>(from), area.y, extent, area.height});
    } else {
      out.push_back(Rect{area.x, static_cast<uint16_t>(from), area.width, extent});
    }
    at = from + extent + spacing;
  }
  return out;
}

}  // namespace tui
