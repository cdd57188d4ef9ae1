#pragma once
// The details panel's side of the log view's keys: opening and closing it,
// how far it scrolls, stepping through the matches of the details search,
// and colouring what it shows.

#include <cstddef>
#include <optional>
#include <vector>

#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/rect.hpp"

namespace action {

// Loads the selected commit's details afresh, coloured as far as the panel
// shows them at this size; the details search is kept so it survives
// reopening.
void open_details(state::State& state, const repo::Repo& repo, tui::Size size);
// Closes the panel, its scroll back at the top and its search gone.
void close_details(state::State& state);
// Drops the details search and its current match.
void clear_details_search(state::State& state);

// How far the details scroll at this size: the last screenful starts there.
std::size_t details_scroll_bound(const state::State& state, tui::Size size);

// After the terminal changed size: the details scrolled to their last page at the old size end
// on the last page at the new one.
void keep_details_scroll_after_resize(state::State& state, tui::Size before, tui::Size after);

// Steps the current match of the details search forwards (backwards),
// wrapping, and centres its line.
void find_next_match_in_details(state::State& state, tui::Size size);
void find_previous_match_in_details(state::State& state, tui::Size size);

// The match after (before) the reference line among the ascending match
// lines, wrapping; a match on the reference line itself never counts.
// Nothing when there are no match lines.
std::optional<state::DetailsMatch> step_details_match(const std::vector<std::size_t>& lines,
                                                      std::size_t reference, bool forward);

// Colours what the details panel shows at this size: every file whose block
// reaches into the panel's window, from its first line down to the last row
// shown. What was coloured stays; a file never shown is never coloured.
// Called when the panel opens and before every frame.
void highlight_details_window(state::State& state, tui::Size size);

// The number of lines of the open details at the details width; 0 with no
// details open.
std::size_t compute_details_content_height(const state::State& state, tui::Size size);

}  // namespace action
