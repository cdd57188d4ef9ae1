#pragma once
// The delete-branch prompt: d in the log opens it when local branches point
// at the selected commit, Enter deletes the typed one of them, Tab completes
// among them. Its keys, Action::execute_delete_branch_mode, are declared with
// Action (action.hpp) and run through the branch-name prompts' one
// implementation (branch_prompt.hpp).

#include "repo/repo.hpp"
#include "state/state.hpp"

namespace action {

// d: the prompt, with an empty text; a status message instead when no local
// branch is at the selected commit.
void open_delete_prompt(state::State& state, const repo::Repo& repo);

}  // namespace action
