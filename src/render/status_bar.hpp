#pragma once
// The 3-row bar under the log or the details: prompts, hints, counters, the
// repository name or count prefix, messages and activity.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/buffer.hpp"
#include "tui/rect.hpp"

namespace render {

// What the frame computes once and hands to the bar.
struct StatusBarContext {
  bool details_open = false;
  std::string_view active_query;
  std::uint16_t details_width = 0;
  repo::Oid head;
  state::Clock::time_point now;
};

// The activity spinner of a running push or fetch: frame ticks % 10.
inline constexpr std::array<std::string_view, 10> SPINNER_FRAMES{
    "\u280B", "\u2819", "\u2839", "\u2838", "\u283C", "\u2834", "\u2826", "\u2827", "\u2807", "\u280F"};

void render_status_bar(tui::Buffer& buffer, tui::Rect area, const state::State& state, const repo::Repo& repo,
                       const StatusBarContext& context);

// Defined in tab_preview.cpp. What Tab would add to the typed text, shown
// dimmed after a prompt's cursor:
// the part all matching candidates share beyond the text, else the rest of
// the first match in byte order. Nothing when no candidate begins with the
// text or the completion adds nothing.
std::optional<std::string> get_tab_preview(std::string_view typed,
                                           const std::vector<std::string>& candidates);

}  // namespace render
