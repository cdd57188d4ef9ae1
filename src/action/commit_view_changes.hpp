#pragma once
// The staging view's keys that change the repository or hand the terminal to
// the editor.

#include "action/action.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/terminal.hpp"

namespace action {

// The key that follows d or D: y carries the discard out, any other key
// only drops it. The height is the keys' preview height.
void confirm_discard(const Action& action, state::State& state, const repo::Repo& repo, std::size_t height);

// S, U, s, u, d, D, 1, 2, o and c; every other key does nothing.
void execute_commit_view_change(const Action& action, state::State& state, repo::Repo& repo,
                                tui::Terminal& terminal);

// Closing an amend view without amending: the entries the view changed go
// back to what they were when it opened. False, with the reason said, when
// they could not be put back; the copy stays for another try.
bool restore_index_after_amend(state::State& state, const repo::Repo& repo);

}  // namespace action
