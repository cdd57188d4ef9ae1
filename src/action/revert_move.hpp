#pragma once
// Reverting a commit and moving a branch: the log keys that open these
// workflows and the git runs that end them.

#include "repo/repo.hpp"
#include "state/state.hpp"

#include <string>
#include <vector>

namespace action {

// R in the log: opens the revert confirmation for the selected commit when
// it is in HEAD's history.
void start_revert(state::State& state, const repo::Repo& repo);

// m in the log: starts moving one of the local branches at the selected
// commit, with the branch choice when there are several.
void start_branch_move(state::State& state, const repo::Repo& repo);

// The git arguments that point the branch at the target: a reset that
// keeps local changes when HEAD is on that branch (the work tree follows the
// branch, or git refuses), a forced branch update otherwise.
std::vector<std::string> move_branch_args(const repo::HeadState& head, const std::string& branch,
                                          const repo::Oid& target);

}  // namespace action
