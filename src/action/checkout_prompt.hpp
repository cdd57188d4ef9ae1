#pragma once
// The checkout prompt: c in the log opens it when local branches point at
// the selected commit (else checks the commit out detached at once); Enter
// checks out the typed one of them, or the commit detached on an empty text;
// Tab completes among them. Its keys, Action::execute_checkout_mode, are
// declared with Action (action.hpp) and run through the branch-name prompts'
// one implementation (branch_prompt.hpp).

#include "repo/repo.hpp"
#include "state/state.hpp"

namespace action {

// c: the prompt with an empty text, or a detached checkout at once when no
// local branch is at the selected commit.
void checkout_from_log(state::State& state, repo::Repo& repo);

}  // namespace action
