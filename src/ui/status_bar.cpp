#include "ui/status_bar.hpp"

namespace render {

void render_status_bar(tui::Buffer&, tui::Rect, const state::State&, const repo::Repo&, const StatusBarContext&) {}

}  // namespace render
