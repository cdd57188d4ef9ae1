#pragma once
// The sizes of the log and details panels, which the screen and the key
// handlers share, and how the log's scroll position follows the selection
// and the terminal's size.

#include <cstddef>
#include <cstdint>

#include "state/state.hpp"
#include "tui/rect.hpp"
#include "tui/terminal.hpp"

namespace viewport {

// The terminal's current size; a terminal that cannot be measured ends the
// program.
tui::Size terminal_size(tui::Terminal& terminal);

// Rows of the log or the details on screen: the terminal's rows less the
// status bar (3), less the hotkey panel (5 more) while it is shown; never
// below 0.
std::uint16_t visible_rows(tui::Size size, bool show_hotkeys);
// Columns of the details text: the terminal's columns less 2, never below 0.
std::uint16_t details_width(tui::Size size);

std::uint16_t details_panel_width(tui::Size size);
std::uint16_t details_panel_height(const state::State& state, tui::Size size);

// Scroll so the selection sits in the middle of the visible rows.
void center_view_on_selected_row(state::State& state, tui::Size size);
// Scroll just enough that the selection is on screen.
void bring_selection_into_view(state::State& state, std::uint16_t visible_rows);
// Before every frame: no scroll past the end of a log longer than the
// screen, and the selection on screen.
void adjust_viewport_after_terminal_resize(state::State& state, std::size_t total_rows, tui::Size size);

// A scroll no further than its bound at the terminal's old size (the last page full, or short of
// it) is kept no further than its bound at the new size, so that a terminal that grows shows a
// full last page; one the keys put past the bound on purpose stays.
void keep_within_bound_after_resize(std::size_t& scroll, std::size_t bound_before, std::size_t bound_after);
// The same for the log, with this many rows: a log shorter than the new screen shows from its top.
void keep_log_scroll_after_resize(state::State& state, std::size_t total_rows, tui::Size before,
                                  tui::Size after);

}  // namespace viewport
