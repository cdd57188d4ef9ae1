#pragma once
// The staging view: diff preview above the unstaged and staged file lists.

#include "state/state.hpp"
#include "repo/repo.hpp"
#include "tui/buffer.hpp"
#include "tui/rect.hpp"

namespace render {

void render_commit_view(tui::Buffer& buffer, tui::Rect area, const state::CommitViewState& view,
                        const state::State& state, const repo::Repo& repo);

}  // namespace render
