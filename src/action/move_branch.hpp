#pragma once
// Moving a branch to another commit: m in the log starts it, then the
// branch choice (when several local branches are at the commit), the target
// (moving the selection) and the confirmation. Their keys,
// Action::execute_move_branch_selection_mode, execute_move_target_mode and
// execute_move_confirmation_mode, are declared with Action (action.hpp) and
// defined in move_branch.cpp.

#include <string>
#include <vector>

#include "repo/repo.hpp"
#include "state/state.hpp"

namespace action {

// m in the log: starts moving one of the local branches at the selected
// commit, with the branch choice when there are several.
void start_branch_move(state::State& state, const repo::Repo& repo);

// The git arguments that point the branch at the target: a reset that
// keeps local changes when HEAD is on that branch (the work tree follows the
// branch, or git refuses), a forced branch update otherwise.
std::vector<std::string> move_branch_args(const repo::HeadState& head, const std::string& branch,
                                          const repo::Oid& target);

}  // namespace action
