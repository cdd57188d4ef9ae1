#include "repo/head_history.hpp"

#include <unordered_set>

namespace repo {

std::vector<bool> mark_head_history(const std::vector<Commit>& commits, const Oid& head) {
  std::size_t start = 0;
  while (start < commits.size() && commits[start].id != head) ++start;
  if (head.is_zero() || start == commits.size()) return {};
  std::vector<bool> marks(commits.size(), false);
  // Only the open lines of descent are held: the ancestors met so far whose
  // own row is still to come.
  std::unordered_set<Oid> wanted{head};
  for (std::size_t i = start; i < commits.size() && !wanted.empty(); ++i) {
    if (wanted.erase(commits[i].id) == 0) continue;
    marks[i] = true;
    for (const Oid& parent : commits[i].parent_ids) wanted.insert(parent);
  }
  return marks;
}

Oid head_commit_of(const HeadState& head, const BranchMap& branches) {
  if (const auto* detached = std::get_if<HeadDetached>(&head)) return detached->id;
  const auto& branch = std::get<HeadBranch>(head);
  auto it = branches.find(BranchName{branch.name});
  return it == branches.end() ? Oid::zero() : it->second;
}

}  // namespace repo
