#pragma once
// Drawing one whole frame from the UI state and the repository object. The
// sizes the key handlers share with it are the viewport's.

#include <cstdint>

#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/rect.hpp"
#include "tui/terminal.hpp"

namespace render {

struct ScreenLayout {
  tui::Rect main;
  tui::Rect status_bar;
  tui::Rect hotkeys;  // empty while the panel is hidden
};
// The normal screen's regions. The main area is always viewport::visible_rows() high.
ScreenLayout screen_layout(tui::Rect area, bool show_hotkeys);

// One frame; reads the state and the repository, changes neither. `now`
// decides whether the status message is still shown.
void render(tui::Frame& frame, const state::State& state, const repo::Repo& repo,
            state::Clock::time_point now = state::Clock::now());

}  // namespace render
