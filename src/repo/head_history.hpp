#pragma once
// Which loaded commits lie in HEAD's history, found once per load.

#include <vector>

#include "repo/commit.hpp"

namespace repo {

// One mark per commit of a log in topological order (children before their
// parents): HEAD's commit and every ancestor of it among the loaded commits.
// In such an order every commit on a path from HEAD down to a loaded commit
// is loaded too, so the marks are exact for the loaded commits. Empty when
// HEAD's commit is not in the log.
std::vector<bool> mark_head_history(const std::vector<Commit>& commits, const Oid& head);

// The commit HEAD stands on: the detached id, or the tip of HEAD's branch;
// the all-zero id when the map does not hold that branch.
Oid head_commit_of(const HeadState& head, const BranchMap& branches);

}  // namespace repo
