#include "render/hotkeys.hpp"

namespace render {

// Not drawn yet: nothing shows the panel so far.
void render_hotkeys(tui::Buffer&, tui::Rect, const state::State&, const repo::Repo&, const repo::Oid&) {}

}  // namespace render
