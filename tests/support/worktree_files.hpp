#pragma once
// The work tree's status records, as the tests make and look them up.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "repo/diff.hpp"

namespace testing_support {

// A listed file with nothing but its path and kind.
inline repo::WorktreeFile worktree_file(std::string path,
                                        repo::ChangeKind kind = repo::ChangeKind::Modified) {
  repo::WorktreeFile f;
  f.path = std::move(path);
  f.kind = kind;
  return f;
}

// The entry of the list for the path, or null.
inline const repo::WorktreeFile* find_file(const std::vector<repo::WorktreeFile>& files,
                                           std::string_view path) {
  for (const auto& f : files)
    if (f.path == path) return &f;
  return nullptr;
}

}  // namespace testing_support
