#pragma once
// Arithmetic on sizes and positions that must not wrap below zero.

#include <cstddef>

namespace utils {

// a - b, or 0 when b is larger.
constexpr std::size_t saturating_sub(std::size_t a, std::size_t b) { return a > b ? a - b : 0; }

}  // namespace utils
