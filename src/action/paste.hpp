#pragma once
// A paste into the open text prompt.

#include <string_view>

#include "state/state.hpp"

namespace action {

// A paste, for the text prompt that has the keys (search, create and delete
// branch, checkout, push, rebase target): its text up to the first line
// break, without control and bidirectional characters, goes in as if typed.
// It never confirms a prompt or runs a command; with no text prompt open it
// does nothing.
void paste_into_prompt(state::State& state, std::string_view pasted);

}  // namespace action
