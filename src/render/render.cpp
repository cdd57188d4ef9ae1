#include "render/render.hpp"

#include <algorithm>

#include "render/commit_view.hpp"
#include "render/details_panel.hpp"
#include "render/hotkeys.hpp"
#include "render/log_table.hpp"
#include "render/status_bar.hpp"
#include "tui/layout.hpp"
#include "viewport/viewport.hpp"

namespace render {

// The main area is exactly as high as the handlers think, also on terminals
// too short for the bars: they get what is left, the status bar first.
ScreenLayout screen_layout(tui::Rect area, bool show_hotkeys) {
  const std::uint16_t main = viewport::visible_rows({area.width, area.height}, show_hotkeys);
  auto parts = tui::split_vertical(area, {tui::Constraint::length(main), tui::Constraint::length(3),
                                          tui::Constraint::length(show_hotkeys ? 5 : 0)});
  return {parts[0], parts[1], show_hotkeys ? parts[2] : tui::Rect{area.x, area.bottom(), area.width, 0}};
}

void render(tui::Frame& frame, const state::State& state, const repo::Repo& repo,
            state::Clock::time_point now) {
  const tui::Rect area = frame.area();
  tui::Buffer& buffer = frame.buffer();
  if (state.commit_view) {
    if (!area.is_empty()) render_commit_view(buffer, area, *state.commit_view, state, repo, now);
    return;
  }

  const repo::Oid head = repo.head_sha();
  const ScreenLayout layout = screen_layout(area, state.show_hotkeys);
  const bool details_open = state.commit_details.has_value();
  const std::uint16_t text_width = viewport::details_width({area.width, area.height});

  if (details_open) {
    // One empty column on either side of the details text.
    const tui::Rect panel{static_cast<std::uint16_t>(std::min<int>(layout.main.x + 1, layout.main.right())),
                          layout.main.y, text_width, layout.main.height};
    if (!panel.is_empty()) render_details_panel(buffer, panel, state);
  } else if (!layout.main.is_empty()) {
    render_log_table(buffer, layout.main, state, repo, head);
  }

  if (!layout.status_bar.is_empty()) {
    const StatusBarContext context{details_open, details_open ? state.details_query : state.search_query,
                                   text_width, head, now};
    render_status_bar(buffer, layout.status_bar, state, repo, context);
  }
  if (state.show_hotkeys && !layout.hotkeys.is_empty()) {
    render_hotkeys(buffer, layout.hotkeys, state, repo, head);
  }
}

}  // namespace render
