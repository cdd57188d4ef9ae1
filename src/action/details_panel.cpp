#include "action/details_panel.hpp"

#include <algorithm>

#include "highlight/highlight.hpp"
#include "render/details_text.hpp"
#include "utils/arithmetic.hpp"
#include "viewport/viewport.hpp"

namespace action {

namespace {

void step_in_details(state::State& state, tui::Size size, bool forward) {
  if (!state.commit_details) {
    state::set_details_match(state, std::nullopt, 0);
    return;
  }
  const std::uint16_t width = viewport::details_panel_width(size);
  const auto lines = render::details_match_lines(state, width);
  // A match measured on other details, another query or another width
  // says nothing about these lines; step from the top of the panel instead.
  const auto current = state::current_details_match(state, width);
  const auto match = step_details_match(lines, current ? current->line : state.details_scroll, forward);
  if (!match) {
    state::set_details_match(state, std::nullopt, width);
    return;
  }
  state.details_scroll = utils::saturating_sub(match->line, viewport::details_panel_height(state, size) / 2);
  state::set_details_match(state, match, width);
}

}  // namespace

void open_details(state::State& state, const repo::Repo& repo, tui::Size size) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  state.commit_details = repo.load_commit_details(commit->id);
  state.details_scroll = 0;
  if (state.commit_details) {
    state.highlight_cache = highlight::HighlightCache{
        std::vector<highlight::HighlightedFile>(state.commit_details->files.size())};
    highlight_details_window(state, size);
  } else {
    state.highlight_cache.reset();
  }
}

void close_details(state::State& state) {
  state.commit_details.reset();
  state.details_scroll = 0;
  clear_details_search(state);
}

void clear_details_search(state::State& state) {
  state.details_query.clear();
  state::set_details_match(state, std::nullopt, 0);
}

std::size_t details_scroll_bound(const state::State& state, tui::Size size) {
  return utils::saturating_sub(compute_details_content_height(state, size),
                               viewport::details_panel_height(state, size));
}

void keep_details_scroll_after_resize(state::State& state, tui::Size before, tui::Size after) {
  if (!state.commit_details) return;
  // The old width first: the last frame's layout is that one.
  const std::size_t bound_before = details_scroll_bound(state, before);
  viewport::keep_within_bound_after_resize(state.details_scroll, bound_before,
                                           details_scroll_bound(state, after));
}

void find_next_match_in_details(state::State& state, tui::Size size) { step_in_details(state, size, true); }

void find_previous_match_in_details(state::State& state, tui::Size size) {
  step_in_details(state, size, false);
}

std::optional<state::DetailsMatch> step_details_match(const std::vector<std::size_t>& lines,
                                                      std::size_t reference, bool forward) {
  if (lines.empty()) return std::nullopt;
  std::size_t i;
  if (forward) {
    const auto it = std::ranges::upper_bound(lines, reference);
    i = it == lines.end() ? 0 : static_cast<std::size_t>(it - lines.begin());
  } else {
    const auto it = std::ranges::lower_bound(lines, reference);
    i = it == lines.begin() ? lines.size() - 1 : static_cast<std::size_t>(it - lines.begin()) - 1;
  }
  return state::DetailsMatch{lines[i], i};
}

void highlight_details_window(state::State& state, tui::Size size) {
  if (!state.commit_details || !state.highlight_cache || state.commit_view) return;
  const std::size_t rows = viewport::details_panel_height(state, size);
  if (rows == 0) return;
  const auto text = render::details_text(state, viewport::details_panel_width(size));
  const std::vector<state::FileSection>& sections = text->sections;
  const std::size_t first = state.details_scroll;
  const std::size_t last = first + (rows - 1);
  // The block the window starts in, then every block that starts inside it.
  auto section = std::ranges::upper_bound(sections, first, {}, &state::FileSection::start_line);
  if (section != sections.begin()) --section;
  std::optional<highlight::Highlighter> highlighter;
  for (; section != sections.end() && section->start_line <= last; ++section) {
    const std::size_t i = section->file;
    if (i >= state.highlight_cache->files.size() || i >= state.commit_details->files.size()) continue;
    // The lines with a row on screen; a line's colours depend on every line above it in its file.
    const auto shown = static_cast<std::size_t>(std::ranges::upper_bound(section->line_rows, last) -
                                                section->line_rows.begin());
    highlight::HighlightedFile& coloured = state.highlight_cache->files[i];
    if (coloured.lines.size() >= shown) continue;
    if (!highlighter) highlighter.emplace();
    const repo::FileChange& file = state.commit_details->files[i];
    highlighter->continue_hunks(file.hunks, file.path, shown, coloured);
  }
}

std::size_t compute_details_content_height(const state::State& state, tui::Size size) {
  if (!state.commit_details) return 0;
  return render::details_content_height(state, viewport::details_panel_width(size));
}

}  // namespace action
