#pragma once
// The per-file diffs behind the status lists. Internal to the repository
// layer: every path here is matched literally, never as a glob, so that
// "[id].tsx" does not also pick up the hunks of "i.tsx".

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "repo/git_handle.hpp"
#include "repo/repo.hpp"

namespace repo {

// An untracked file larger than this is listed as binary, without being
// read: the lists are read again on every reload.
inline constexpr std::size_t kUntrackedTextLimit = std::size_t{1} << 20;
// A NUL among this many first bytes makes a file binary, as git decides.
inline constexpr std::size_t kBinaryProbeBytes = 8000;

// What the index is compared with. found is false when there is nothing to
// compare with (a HEAD that cannot be read; in amend mode no commit or no
// first parent); a found base without a tree, as before the first commit,
// compares with the empty tree.
struct StagedBase {
  bool found = false;
  TreePtr tree;
};

StagedBase find_staged_base(git_repository* repo, bool amend);

// The hunks of each path, keyed by path.
using HunksByPath = std::map<std::string, Repo::DiffHunks>;

// The index changes of one path against the base tree (null: the empty
// tree); absent when the diff fails.
std::optional<Repo::DiffHunks> staged_hunks_against(git_repository* repo, git_tree* base,
                                                    const std::string& path);

// The index changes of each of the paths against the base tree, from one
// diff: the same hunks a diff of each path alone gives, without walking the
// index and the trees once per file. Absent when the diff fails.
std::optional<HunksByPath> staged_hunks_by_path(git_repository* repo, git_tree* base,
                                                const std::vector<std::string>& paths);

// The work-tree changes of each of the paths against the index, from one
// diff; absent when the diff fails.
std::optional<HunksByPath> worktree_hunks_by_path(git_repository* repo,
                                                  const std::vector<std::string>& paths);

}  // namespace repo
