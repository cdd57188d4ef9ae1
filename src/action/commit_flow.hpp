#pragma once
// Committing the index, or amending HEAD, with a message written in the
// user's editor.

#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/terminal.hpp"

namespace action {

void commit_with_editor(state::State& state, repo::Repo& repo, tui::Terminal& terminal, bool amend);

}  // namespace action
