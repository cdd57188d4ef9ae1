#pragma once
// The staging view's operations that other handlers call: reloading its
// lists after a change and rebuilding the colouring of the selected file.

#include "repo/repo.hpp"
#include "state/state.hpp"

namespace action {

// Reloads the unstaged and staged lists of the open view (amend mode as the
// view has it) and keeps the selections within them.
void refresh_commit_view(state::State& state, const repo::Repo& repo);
// Rebuilds the syntax colouring of the file selected in the open view.
void update_staging_highlight(state::State& state);

}  // namespace action
