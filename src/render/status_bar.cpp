#include "render/status_bar.hpp"

#include "render/status_message.hpp"
#include "render/status_texts.hpp"
#include "tui/widgets.hpp"

namespace render {

namespace {

using tui::Color;
using tui::Line;
using tui::Span;
using tui::Style;

std::string_view spinner_frame(std::uint64_t ticks) { return SPINNER_FRAMES[ticks % SPINNER_FRAMES.size()]; }

// What lands over the row's right end: a running push, else a running
// fetch, else the fresh message (not while the search prompt is open).
std::optional<Line> overlay(const state::State& state, state::Clock::time_point now) {
  if (state.push_task) return Line{Span(spinner_frame(state.push_task->ticks), Style{}.with_fg(Color::Cyan))};
  if (state.fetch_task)
    return Line{Span(std::string(spinner_frame(state.fetch_task->ticks)) + " fetching",
                     Style{}.with_fg(Color::Magenta))};
  if (state.searching) return std::nullopt;
  if (const state::StatusMessage* message = shown_status_message(state, now))
    return Line{Span(one_row(message->text), Style{}.with_fg(Color::Yellow))};
  return std::nullopt;
}

}  // namespace

void render_status_bar(tui::Buffer& buffer, tui::Rect area, const state::State& state, const repo::Repo& repo,
                       const StatusBarContext& context) {
  const tui::Block block{.borders = tui::Borders::TOP | tui::Borders::BOTTOM,
                         .border_style = Style{}.with_fg(status_border_color(state, context.active_query))};
  block.render(area, buffer);
  const tui::Rect inner = block.inner(area);
  if (inner.height == 0 || inner.width <= 2) return;
  const tui::Rect row{static_cast<std::uint16_t>(inner.x + 1), inner.y,
                      static_cast<std::uint16_t>(inner.width - 2), 1};

  const bool quiet = !shown_status_message(state, context.now) && !state.push_task && !state.fetch_task;
  const StatusTexts texts = status_texts(state, repo, context, quiet);
  texts.left.render(row, buffer, tui::Alignment::Left);
  if (texts.centre) texts.centre->render(row, buffer, tui::Alignment::Center);
  if (texts.right) texts.right->render(row, buffer, tui::Alignment::Right);
  if (const auto top = overlay(state, context.now)) top->render(row, buffer, tui::Alignment::Right);
}

}  // namespace render
