#pragma once
// The per-file diffs behind the status lists. Internal to the repository
// layer: every path here is matched literally, never as a glob, so that
// "[id].tsx" does not also pick up the hunks of "i.tsx".

#include "repo/git_handle.hpp"
#include "repo/repo.hpp"

#include <optional>
#include <string>

namespace repo {

// What the index is compared with. found is false when there is nothing to
// compare with (no HEAD; in amend mode no commit or no first parent); a found
// base without a tree compares with the empty tree.
struct StagedBase {
  bool found = false;
  TreePtr tree;
};

StagedBase find_staged_base(git_repository* repo, bool amend);

// The index changes of one path against the base tree (null: the empty
// tree); absent when the diff fails.
std::optional<Repo::DiffHunks> staged_hunks_against(git_repository* repo, git_tree* base,
                                                    const std::string& path);

// The work-tree changes of one path against the index; nothing when the
// diff fails.
Repo::DiffHunks worktree_hunks(git_repository* repo, const std::string& path);

}  // namespace repo
