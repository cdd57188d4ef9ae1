#pragma once
// A copy of the whole index, conflict stages included, whose entries can be
// written back exactly as they were: cancelling an amend must give the user
// back the entries they had, not HEAD's, and only those the amend changed.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "commit_graph/oid.hpp"

namespace repo {

// One index entry as the library holds it, stat data and flags included.
struct IndexEntryCopy {
  std::int32_t ctime_seconds = 0;
  std::uint32_t ctime_nanoseconds = 0;
  std::int32_t mtime_seconds = 0;
  std::uint32_t mtime_nanoseconds = 0;
  std::uint32_t dev = 0;
  std::uint32_t ino = 0;
  std::uint32_t mode = 0;
  std::uint32_t uid = 0;
  std::uint32_t gid = 0;
  std::uint32_t file_size = 0;
  commit_graph::Oid id;
  std::uint16_t flags = 0;  // the stage lives here
  std::uint16_t flags_extended = 0;
  std::string path;
  friend bool operator==(const IndexEntryCopy&, const IndexEntryCopy&) = default;
};

// What a resolved conflict left behind for undoing the resolution.
struct ResolveUndoCopy {
  std::string path;
  std::array<std::uint32_t, 3> modes{};  // ancestor, ours, theirs; 0: that side had none
  std::array<commit_graph::Oid, 3> ids{};
  friend bool operator==(const ResolveUndoCopy&, const ResolveUndoCopy&) = default;
};

// The names of the three sides of a rename conflict.
struct ConflictNameCopy {
  std::optional<std::string> ancestor;
  std::optional<std::string> ours;
  std::optional<std::string> theirs;
  friend bool operator==(const ConflictNameCopy&, const ConflictNameCopy&) = default;
};

struct IndexSnapshot {
  std::vector<IndexEntryCopy> entries;
  std::vector<ResolveUndoCopy> resolve_undo;
  std::vector<ConflictNameCopy> conflict_names;
  friend bool operator==(const IndexSnapshot&, const IndexSnapshot&) = default;
};

}  // namespace repo
