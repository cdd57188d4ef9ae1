#pragma once
// The search prompt, Action::execute_search_mode (declared with Action in
// action.hpp, defined in search_prompt.cpp): it edits the log's commit search,
// or the search inside the open details. Here: opening it, and stepping from
// one commit that matches the log search to the next.

#include "repo/repo.hpp"
#include "state/state.hpp"

namespace action {

// /: opens the prompt with an empty log query, remembering where the
// selection and the scroll were; a details query typed before is kept.
void open_search_prompt(state::State& state);

// Moves the selection to the next (previous) commit matching the log search,
// wrapping at the end of the log; the selected commit itself never counts.
void find_next_match(state::State& state, const repo::Repo& repo);
void find_previous_match(state::State& state, const repo::Repo& repo);

}  // namespace action
