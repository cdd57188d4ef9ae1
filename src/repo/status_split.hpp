#pragma once
// Reading the status of a large work tree in parts, side by side. Internal to
// the repository layer.
//
// The work tree is cut into literal paths (files, or directories standing for
// everything below them) that never overlap, and each part's status is read
// with its own repository handle, as git spreads its stat calls over threads.
// A path's status depends only on the path itself and the ignore rules of the
// directories above it, so the parts together hold exactly the entries of one
// whole read.

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "repo/repo.hpp"

struct git_index;

namespace repo {

struct StatusSplit {
  // Each part's paths, sorted; no path is a prefix directory of another.
  std::vector<std::vector<std::string>> parts;
  // Every path of every part.
  std::set<std::string, std::less<>> paths;
  // The directories that were replaced by their entries; "" is the top.
  std::set<std::string, std::less<>> opened;
};

// Cuts the work tree into at most `parts` parts from what the top directories
// hold on disk and in HEAD's tree. Absent when it cannot or should not be cut:
// a bare repository, no HEAD, a case-insensitive work tree, too few paths.
std::optional<StatusSplit> split_status_paths(git_repository* repo, std::size_t parts);

// The paths the index holds outside every part: entries staged and then
// removed from disk where neither the disk nor HEAD has them, reduced to
// the name that stands in an opened directory. Absent when an index entry
// stands where an opened directory is (a file staged in place of it): such a
// path cannot be given to one part alone.
std::optional<std::vector<std::string>> paths_outside_split(git_index* index, const StatusSplit& split);
// The same with the index the first part loaded into this handle; absent
// also when that index cannot be had.
std::optional<std::vector<std::string>> paths_outside_split(git_repository* repo, const StatusSplit& split);

// Calls work(part, handle) for every part at once: the first on the calling
// thread with `repo`, each other on a thread of its own with a handle of its
// own opened at `path` (null when that cannot be opened). Returns when all
// are done. An exception thrown by work is swallowed: work must record its
// own success.
void run_parts(const std::string& path, git_repository* repo, std::size_t parts,
               const std::function<void(std::size_t, git_repository*)>& work);

// How many parts the status of this repository is read in: more than one
// only for a large index on a machine with several cores.
std::size_t status_parts_for(git_repository* repo);

// Repo::load_worktree_status read in the given number of parts whatever the
// index's size; absent when the work tree cannot be split or a part fails
// (the whole read then decides).
std::optional<WorktreeStatus> load_worktree_status_split(const Repo& r, bool amend, std::size_t parts);

// Repo::has_changes searched in the given number of parts whatever the
// index's size; absent when the work tree cannot be split or a part fails
// before any change is found.
std::optional<bool> has_changes_split(const Repo& r, std::size_t parts);

}  // namespace repo
