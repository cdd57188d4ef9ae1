#pragma once
// Rectangles of terminal cells.

#include <algorithm>
#include <cstdint>

namespace tui {

struct Size {
  uint16_t width = 0;
  uint16_t height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  uint16_t x = 0;
  uint16_t y = 0;
  uint16_t width = 0;
  uint16_t height = 0;

  // Exclusive edges; they saturate so that a rectangle never wraps around.
  constexpr uint16_t left() const { return x; }
  constexpr uint16_t top() const { return y; }
  constexpr uint16_t right() const { return static_cast<uint16_t>(std::min<int>(x + width, UINT16_MAX)); }
  constexpr uint16_t bottom() const { return static_cast<uint16_t>(std::min<int>(y + height, UINT16_MAX)); }
  constexpr bool is_empty() const { return width == 0 || height == 0; }
  constexpr uint32_t area() const { return uint32_t{width} * height; }

  constexpr bool contains(int cx, int cy) const {
    return cx >= x && cx < right() && cy >= y && cy < bottom();
  }

  // The common part; an empty rectangle at the clamped corner when they do not meet.
  constexpr Rect intersection(const Rect& o) const {
    const int l = std::max(x, o.x), t = std::max(y, o.y);
    const int r = std::min(right(), o.right()), b = std::min(bottom(), o.bottom());
    return Rect{static_cast<uint16_t>(l), static_cast<uint16_t>(t), static_cast<uint16_t>(std::max(0, r - l)),
                static_cast<uint16_t>(std::max(0, b - t))};
  }

  // Shrinks by `horizontal` columns on each side and `vertical` rows at top and bottom, never below zero.
  constexpr Rect inner(uint16_t horizontal, uint16_t vertical) const {
    const int w = std::max(0, int{width} - 2 * horizontal), h = std::max(0, int{height} - 2 * vertical);
    return Rect{static_cast<uint16_t>(std::min<int>(x + horizontal, right())),
                static_cast<uint16_t>(std::min<int>(y + vertical, bottom())), static_cast<uint16_t>(w),
                static_cast<uint16_t>(h)};
  }

  bool operator==(const Rect&) const = default;
};

}  // namespace tui
