#include "ui/details_panel.hpp"

namespace render {

void render_details_panel(tui::Buffer&, tui::Rect, const state::State&) {}

}  // namespace render
