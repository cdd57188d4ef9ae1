#pragma once
// The staging view's record and lists: opening the view, reloading its
// lists after a change and colouring the selected file. Its keys are in
// commit_view.cpp, the changes they make in commit_view_changes.hpp, and the
// geometry that keys and screen share in viewport/staging_geometry.hpp.

#include <cstddef>

#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/rect.hpp"

namespace action {

// A new view over the two lists: the first unstaged file selected, else the
// first staged one, the staged list focused when the unstaged one is empty.
// An amend view selects the first staged file first and focuses the staged
// list.
state::CommitViewState make_commit_view(repo::WorktreeStatus status, bool amending);

// Opens the view (not amending) with the selected file coloured; false,
// changing nothing, when the status cannot be read.
bool open_commit_view(state::State& state, const repo::Repo& repo);

// Reloads the unstaged and staged lists of the open view (amend mode as the
// view has it). Each list keeps its selected file where it still holds it,
// on the same row of its window, else its index within the list; the
// selected file keeps its scroll, as far as the keys' limit for a preview of
// this height goes (viewport::diff_viewport_height). Closes the view, with "all
// changes staged/unstaged", when nothing is left outside an amend.
void refresh_commit_view(state::State& state, const repo::Repo& repo, std::size_t preview_height);
// The same after a change made elsewhere (the watcher's news), except that
// the view of a stopped rebase stays open with nothing left in it.
void reload_commit_view(state::State& state, const repo::Repo& repo, std::size_t preview_height);
// Rebuilds the syntax colouring of the file selected in the open view: of
// its hunks only the first rows, the rest as the preview reaches them.
void update_staging_highlight(state::State& state);
// Before a frame: colours the shown hunks down to the last row a terminal
// of this size can show at the current scroll.
void highlight_staging_window(state::State& state, tui::Size size);

}  // namespace action
