#pragma once
// What the staging view says about a stopped merge or rebase.

#include <cstdint>
#include <string>

namespace repo {

enum class ConflictKind : std::uint8_t {
  Rebase = 0,
  Merge = 1,
  None = 2,
};

struct ConflictContext {
  std::string ours_label;    // the side key 1 keeps
  std::string theirs_label;  // the side key 2 keeps
  ConflictKind kind = ConflictKind::None;
  friend bool operator==(const ConflictContext&, const ConflictContext&) = default;
};

}  // namespace repo
