#pragma once
// The open commit's details in place of the log, with a sticky file header
// and the current search match marked.

#include "state/state.hpp"
#include "tui/buffer.hpp"
#include "tui/rect.hpp"

namespace render {

// Draws the panel when details are open; nothing otherwise. `area` is the
// panel itself (the main region less one column on each side): the text is
// laid out at its width, which must be the details width the key handlers
// measure with.
void render_details_panel(tui::Buffer& buffer, tui::Rect area, const state::State& state);

}  // namespace render
