#pragma once
// The keys that every branch-name prompt shares: typing, Backspace and the
// tab-completion cycle. Each prompt adds its own Esc, Enter and Tab.

#include "action/action.hpp"
#include "state/state.hpp"

#include <optional>
#include <string>
#include <vector>

namespace action {

void end_completion(state::State& state);

// One Tab: the text completes among the candidates and the cycle moves on.
void complete_branch(state::State& state, std::string& text, const std::vector<std::string>& candidates);

// Types the key's character, removes one with Backspace (closing the prompt
// on an empty text), ignores the keys that type nothing. Returns false for
// Esc, Ctrl-c, Enter and Tab, which are left to the prompt.
bool edit_branch_prompt(const Action& action, state::State& state, std::string& text, bool& open);

// Tab in a branch choice: the name after the chosen one in the list,
// wrapping; the second when the chosen one is not listed (it counts as the
// first). Nothing from an empty list.
std::optional<std::string> next_branch_choice(const std::vector<std::string>& branches, const std::string& chosen);

// The prompt's flag off, its text emptied, the completion cycle over.
void close_branch_prompt(state::State& state, std::string& text, bool& open);

}  // namespace action
