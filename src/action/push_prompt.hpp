#pragma once
// The push prompt: p in the log opens it, filled with the first local branch
// at the selected commit; Enter pushes the typed branch to "origin" on a
// worker thread; Tab completes among the local branches at the commit. Its
// keys, Action::execute_push_mode, are declared with Action (action.hpp) and
// run through the branch-name prompts' one implementation
// (branch_prompt.hpp).

#include <string_view>

#include "repo/repo.hpp"
#include "state/state.hpp"

namespace action {

// p: the prompt, or a status message when there is no remote or no local
// branch at the selected commit.
void open_push_prompt(state::State& state, const repo::Repo& repo);

// False for a text that git push would read as something other than a
// branch: an option ("-d"), a forced push ("+main"), a refspec ("a:b",
// ":main" deletes) or a pattern.
bool is_pushable_name(std::string_view text);

}  // namespace action
