#pragma once
// The log: one table row per visible commit with its graph, labels, summary,
// date, time, author and short id.

#include "app/state.hpp"
#include "repo/repo.hpp"
#include "tui/buffer.hpp"
#include "tui/rect.hpp"

namespace render {

void render_log_table(tui::Buffer& buffer, tui::Rect area, const state::State& state, const repo::Repo& repo,
                      const repo::Oid& head);

}  // namespace render
