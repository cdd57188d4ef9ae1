#pragma once
// The 3-row bar under the log or the details: prompts, hints, counters, the
// repository name or count prefix, messages and activity.

#include "app/state.hpp"
#include "repo/repo.hpp"
#include "tui/buffer.hpp"
#include "tui/rect.hpp"

#include <cstdint>
#include <string_view>

namespace render {

// What the frame computes once and hands to the bar.
struct StatusBarContext {
  bool details_open = false;
  std::string_view active_query;
  std::uint16_t details_width = 0;
  repo::Oid head;
  state::Clock::time_point now;
};

void render_status_bar(tui::Buffer& buffer, tui::Rect area, const state::State& state, const repo::Repo& repo,
                       const StatusBarContext& context);

}  // namespace render
