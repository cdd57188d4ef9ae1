#pragma once
// Reverting a commit: R in the log asks, Enter in the confirmation runs
// git revert. The confirmation's keys, Action::execute_revert_confirmation_mode,
// are declared with Action (action.hpp) and defined in revert.cpp.

#include "repo/repo.hpp"
#include "state/state.hpp"

namespace action {

// R: opens the revert confirmation for the selected commit when it is in
// HEAD's history.
void start_revert(state::State& state, const repo::Repo& repo);

}  // namespace action
