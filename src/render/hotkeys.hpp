#pragma once
// The 5-row panel listing the log view's commands.

#include "state/state.hpp"
#include "repo/repo.hpp"
#include "tui/buffer.hpp"
#include "tui/rect.hpp"

namespace render {

void render_hotkeys(tui::Buffer& buffer, tui::Rect area, const state::State& state, const repo::Repo& repo,
                    const repo::Oid& head);

}  // namespace render
