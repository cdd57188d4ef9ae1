#pragma once
// The open commit's details in place of the log, with a sticky file header
// and the current search match marked.

#include "app/state.hpp"
#include "tui/buffer.hpp"
#include "tui/rect.hpp"

namespace render {

// Draws the panel when details are open; nothing otherwise.
void render_details_panel(tui::Buffer& buffer, tui::Rect area, const state::State& state);

}  // namespace render
