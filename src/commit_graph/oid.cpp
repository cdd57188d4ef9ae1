#include "commit_graph/oid.hpp"

#include <algorithm>

namespace commit_graph {

std::optional<Oid> Oid::from_hex(std::string_view hex) {
  if (hex.size() != 40) return std::nullopt;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  Oid out;
  for (std::size_t i = 0; i < 20; ++i) {
    int hi = digit(hex[2 * i]), lo = digit(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.bytes[i] = static_cast<unsigned char>(hi * 16 + lo);
  }
  return out;
}

bool Oid::is_zero() const {
  return std::all_of(bytes.begin(), bytes.end(), [](unsigned char b) { return b == 0; });
}

std::string Oid::hex() const {
  static constexpr char digits[] = "0123456789abcdef";
  std::string out(40, '0');
  for (std::size_t i = 0; i < 20; ++i) {
    out[2 * i] = digits[bytes[i] >> 4];
    out[2 * i + 1] = digits[bytes[i] & 0xF];
  }
  return out;
}

std::string Oid::short_hex() const { return hex().substr(0, 7); }

}  // namespace commit_graph
