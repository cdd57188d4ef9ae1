#pragma once
// Drawing one whole frame from the UI state and the repository object, and
// the screen geometry that the key handlers share with it.

#include "app/state.hpp"
#include "repo/repo.hpp"
#include "tui/rect.hpp"
#include "tui/terminal.hpp"

#include <cstdint>

namespace render {

// Rows of the log or the details on screen: the terminal's rows less the
// status bar (3), less the hotkey panel (5 more) while it is shown; never
// below 0.
std::uint16_t visible_rows(tui::Size size, bool show_hotkeys);
// Columns of the details text: the terminal's columns less 2, never below 0.
std::uint16_t details_width(tui::Size size);

struct ScreenLayout {
  tui::Rect main;
  tui::Rect status_bar;
  tui::Rect hotkeys;  // empty while the panel is hidden
};
// The normal screen's regions. The main area is always visible_rows() high.
ScreenLayout screen_layout(tui::Rect area, bool show_hotkeys);

// One frame; reads the state and the repository, changes neither. `now`
// decides whether the status message is still shown.
void render(tui::Frame& frame, const state::State& state, const repo::Repo& repo,
            state::Clock::time_point now = state::Clock::now());

}  // namespace render
