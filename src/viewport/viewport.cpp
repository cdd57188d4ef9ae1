#include "viewport/viewport.hpp"

#include <algorithm>

#include "tui/fatal.hpp"
#include "utils/arithmetic.hpp"

namespace viewport {

tui::Size terminal_size(tui::Terminal& terminal) {
  auto size = terminal.size();
  if (!size) tui::fatal("failed to read the terminal size: " + size.error());
  return *size;
}

std::uint16_t visible_rows(tui::Size size, bool show_hotkeys) {
  const int bars = show_hotkeys ? 8 : 3;
  return static_cast<std::uint16_t>(std::max(0, int{size.height} - bars));
}

std::uint16_t details_width(tui::Size size) {
  return static_cast<std::uint16_t>(std::max(0, int{size.width} - 2));
}

std::uint16_t details_panel_width(tui::Size size) { return details_width(size); }

std::uint16_t details_panel_height(const state::State& state, tui::Size size) {
  return visible_rows(size, state.show_hotkeys);
}

void center_view_on_selected_row(state::State& state, tui::Size size) {
  const std::size_t half = details_panel_height(state, size) / 2;
  state.scroll = utils::saturating_sub(state.selected, half);
}

void bring_selection_into_view(state::State& state, std::uint16_t visible_rows) {
  if (state.selected < state.scroll) {
    state.scroll = state.selected;
  } else if (state.selected >= state.scroll + visible_rows) {
    state.scroll = state.selected - visible_rows + 1;
  }
}

void adjust_viewport_after_terminal_resize(state::State& state, std::size_t total_rows, tui::Size size) {
  const std::uint16_t v = details_panel_height(state, size);
  if (total_rows < v) return;
  if (state.scroll > total_rows - v) state.scroll = total_rows - v;
  bring_selection_into_view(state, v);
}

void keep_within_bound_after_resize(std::size_t& scroll, std::size_t bound_before, std::size_t bound_after) {
  if (scroll <= bound_before && scroll > bound_after) scroll = bound_after;
}

void keep_log_scroll_after_resize(state::State& state, std::size_t total_rows, tui::Size before,
                                  tui::Size after) {
  keep_within_bound_after_resize(state.scroll,
                                 utils::saturating_sub(total_rows, details_panel_height(state, before)),
                                 utils::saturating_sub(total_rows, details_panel_height(state, after)));
}

}  // namespace viewport
