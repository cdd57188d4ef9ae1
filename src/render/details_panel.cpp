#include "render/details_panel.hpp"

#include <algorithm>

#include "render/details_text.hpp"
#include "render/spans.hpp"
#include "tui/widgets.hpp"

namespace render {
namespace {

const tui::Style kStickyStyle{
    .fg = tui::Color::White, .bg = tui::Color::DarkGray, .add_modifier = tui::Modifier::BOLD};

// The file block the reader is in: the last one starting at or above the
// top line.
const FileSection* sticky_section(const std::vector<FileSection>& sections, std::size_t scroll) {
  const FileSection* found = nullptr;
  for (const FileSection& section : sections) {
    if (section.start_line > scroll) break;
    found = &section;
  }
  return found;
}

// Every occurrence of the query inside one span turns to the current-match
// style; the rest of each span keeps its own.
tui::Line mark_current(const tui::Line& line, std::string_view query) {
  tui::Line marked;
  marked.style = line.style;
  marked.alignment = line.alignment;
  for (const tui::Span& span : line.spans)
    for (tui::Span& piece : highlight_matches(span.content, query, span.style, CURRENT_MATCH_STYLE))
      marked.spans.push_back(std::move(piece));
  return marked;
}

}  // namespace

void render_details_panel(tui::Buffer& buffer, tui::Rect area, const state::State& state) {
  if (!state.commit_details) return;
  const std::uint16_t width = area.width;
  const auto text = details_text(state, width);
  const std::size_t scroll = state.details_scroll;
  const std::optional<state::DetailsMatch> current =
      state.details_query.empty() ? std::nullopt : state::current_details_match(state, width);

  std::vector<tui::Line> rows;
  std::size_t first = scroll;
  std::size_t room = area.height;
  // The header stands in the place of the top line, so every other line
  // keeps its row.
  if (const FileSection* section = sticky_section(text->sections, scroll)) {
    rows.emplace_back(tui::Span(section->path, kStickyStyle));
    first = scroll + 1;
    room = room > 0 ? room - 1 : 0;
  }
  if (scroll < text->rows) {
    const std::size_t shown = rows.size();
    append_details_rows(rows, *text, *state.commit_details,
                        state.highlight_cache ? &*state.highlight_cache : nullptr, first,
                        first + std::min(room, text->rows - std::min(first, text->rows)));
    const std::size_t at = current ? current->line : first - 1;
    if (at >= first && at - first < rows.size() - shown) {
      tui::Line& row = rows[shown + (at - first)];
      row = mark_current(row, state.details_query);
    }
  }
  tui::Paragraph(std::move(rows)).render(area, buffer);
}

}  // namespace render
