#include "ui/render.hpp"

#include "tui/layout.hpp"
#include "ui/log_table.hpp"
#include "ui/status_bar.hpp"

#include <algorithm>

namespace render {

std::uint16_t visible_rows(tui::Size size, bool show_hotkeys) {
  const int bars = show_hotkeys ? 8 : 3;
  return static_cast<std::uint16_t>(std::max(0, int{size.height} - bars));
}

std::uint16_t details_width(tui::Size size) { return static_cast<std::uint16_t>(std::max(0, int{size.width} - 2)); }

ScreenLayout screen_layout(tui::Rect area, bool show_hotkeys) {
  const std::uint16_t main = visible_rows({area.width, area.height}, show_hotkeys);
  auto parts = tui::split_vertical(area, {tui::Constraint::length(main), tui::Constraint::length(3),
                                          tui::Constraint::length(show_hotkeys ? 5 : 0)});
  return {parts[0], parts[1], show_hotkeys ? parts[2] : tui::Rect{area.x, area.bottom(), area.width, 0}};
}

void render(tui::Frame& frame, const state::State& state, const repo::Repo& repo, state::Clock::time_point now) {
  const tui::Rect area = frame.area();
  const repo::Oid head = repo.head_sha();
  const ScreenLayout layout = screen_layout(area, state.show_hotkeys);
  render_log_table(frame.buffer(), layout.main, state, repo, head);
  const bool details_open = state.commit_details.has_value();
  StatusBarContext context{details_open, details_open ? state.details_query : state.search_query,
                           details_width({area.width, area.height}), head, now};
  render_status_bar(frame.buffer(), layout.status_bar, state, repo, context);
}

}  // namespace render
