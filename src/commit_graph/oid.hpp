#pragma once
// A 20-byte git object id as a plain value. It sits below the repository
// layer so the lane layout can take ids without the commit model, and the
// model exposes no libgit2 type to the screen.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace commit_graph {

struct Oid {
  std::array<unsigned char, 20> bytes{};

  static Oid zero() { return Oid{}; }
  // 40 hex digits, either case; anything else gives nothing.
  static std::optional<Oid> from_hex(std::string_view hex);

  bool is_zero() const;
  std::string hex() const;        // 40 lower-case hex digits
  std::string short_hex() const;  // the first 7 of them

  friend bool operator==(const Oid&, const Oid&) = default;
  friend auto operator<=>(const Oid&, const Oid&) = default;
};

struct OidHash {
  std::size_t operator()(const Oid& oid) const noexcept {
    std::uint64_t h;
    std::memcpy(&h, oid.bytes.data(), sizeof h);
    return static_cast<std::size_t>(h);
  }
};

}  // namespace commit_graph

template <>
struct std::hash<commit_graph::Oid> : commit_graph::OidHash {};
