#pragma once
// The create-branch prompt: b in the log opens it, Enter makes a local
// branch of the typed name at the selected commit, Tab completes among the
// names suggested there. Its keys, Action::execute_create_branch_mode, are
// declared with Action (action.hpp) and run through the branch-name prompts'
// one implementation (branch_prompt.hpp).

#include "state/state.hpp"

namespace action {

// b: the prompt, with an empty text.
void open_create_prompt(state::State& state);

}  // namespace action
