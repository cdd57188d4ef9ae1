#include "render/commit_view.hpp"

#include <algorithm>

#include "render/details_diff_rows.hpp"
#include "render/diff_preview.hpp"
#include "render/status_message.hpp"
#include "tui/layout.hpp"
#include "tui/widgets.hpp"
#include "viewport/staging_geometry.hpp"

namespace render {
namespace {

using tui::Color;
using tui::Line;
using tui::Span;
using tui::Style;

constexpr Style kHint{.fg = Color::DarkGray};
constexpr std::uint16_t kPanelsHeight = 8;
constexpr std::uint16_t kDialogHeight = 5;
constexpr int kDialogWidth = 50;

Color kind_colour(repo::ChangeKind kind) {
  switch (kind) {
    case repo::ChangeKind::Modified:
      return Color::Yellow;
    case repo::ChangeKind::Added:
      return Color::Green;
    case repo::ChangeKind::Deleted:
      return Color::Red;
    case repo::ChangeKind::Conflicted:
      return Color::Magenta;
    case repo::ChangeKind::Untracked:
    case repo::ChangeKind::Renamed:
    case repo::ChangeKind::TypeChange:
      break;
  }
  return Color::White;
}

// " Title (n) ", built by appending: gcc 12 misreads the chain of + here.
std::string panel_title(std::string_view title, std::size_t count) {
  std::string text(" ");
  text.append(title);
  text.append(" (");
  text.append(std::to_string(count));
  text.append(") ");
  return text;
}

std::string counted(std::size_t n, std::string_view one, std::string_view many) {
  return n == 1 ? "1 " + std::string(one) : std::to_string(n) + " " + std::string(many);
}

// One row of a panel: the path in its kind's colour, then the conflicts,
// the resolved sections or the line counts.
tui::Row file_list_row(std::size_t index, const repo::WorktreeFile& file, std::size_t selected, bool focused,
                       const std::map<std::string, std::size_t>* resolved) {
  Style path_style{.fg = kind_colour(file.kind)};
  if (index == selected && focused) path_style.bg = Color::DarkGray;
  Line counts;
  const auto resolved_count = [&]() -> std::size_t {
    if (resolved == nullptr) return 0;
    const auto it = resolved->find(file.path);
    return it == resolved->end() ? 0 : it->second;
  }();
  if (file.kind == repo::ChangeKind::Conflicted && !file.conflict_sections.empty()) {
    counts = Line(
        Span(counted(file.conflict_sections.size(), "conflict", "conflicts"), Style{.fg = Color::Yellow}));
  } else if (resolved_count > 0) {
    counts = Line(Span(counted(resolved_count, "resolved", "resolved"), Style{.fg = Color::Green}));
  } else {
    counts = Line({Span(signed_count('+', file.additions), Style{.fg = Color::Green}), Span(" "),
                   Span(signed_count('-', file.deletions), Style{.fg = Color::Red})});
  }
  return tui::Row{.cells = {Line(Span(file.path, path_style)), std::move(counts)}};
}

void render_toast(tui::Buffer& buffer, tui::Rect area, const state::State& state,
                  state::Clock::time_point now) {
  const state::StatusMessage* message = shown_status_message(state, now);
  if (message == nullptr || area.height < 2) return;
  const std::string text = one_row(message->text);
  const int width = static_cast<int>(text.size()) + 4;
  const int x = std::max(0, std::max(0, int{area.width} - width) - 1);
  const tui::Rect toast =
      tui::Rect{static_cast<std::uint16_t>(area.x + x), static_cast<std::uint16_t>(area.y + 1),
                static_cast<std::uint16_t>(std::min(width, int{area.width} - x)), 1};
  // Exactly this style: the bold or underline of a key hint beneath must not show through.
  const Style style = Style::reset().with_fg(Color::Yellow).with_bg(Color::DarkGray);
  Line(Span(" " + text + " ", style)).render(toast, buffer);
}

struct DialogText {
  std::string_view title;
  std::string_view question;
};

DialogText dialog_text(state::DiscardKind kind) {
  switch (kind) {
    case state::DiscardKind::FileChanges:
      return {" Discard Changes ", "Discard all changes to {}?"};
    case state::DiscardKind::UntrackedFile:
      return {" Delete File ", "Delete untracked file {}?"};
    case state::DiscardKind::Hunk:
      break;
  }
  return {" Discard Hunk ", "Discard this hunk from {}?"};
}

void render_dialog(tui::Buffer& buffer, tui::Rect area, const std::string& path, state::DiscardKind kind) {
  const int w = std::min(std::max(0, int{area.width} - 4), kDialogWidth);
  const int x = (int{area.width} - w) / 2;
  const int y = std::max(0, int{area.height} - kDialogHeight) / 2;
  const tui::Rect dialog =
      tui::Rect{static_cast<std::uint16_t>(area.x + x), static_cast<std::uint16_t>(area.y + y),
                static_cast<std::uint16_t>(w), kDialogHeight}
          .intersection(area);
  if (dialog.is_empty()) return;
  const DialogText text = dialog_text(kind);
  std::string question(text.question);
  question.replace(question.find("{}"), 2, path);

  tui::Clear{}.render(dialog, buffer);
  const tui::Block block{.borders = tui::Borders::ALL,
                         .border_style = Style{.fg = Color::Red},
                         .title_top = Line(Span(text.title))};
  block.render(dialog, buffer);
  const tui::Paragraph body(
      {Line(Span(question, Style{.fg = Color::White})), Line(),
       Line({Span("y", Style{.fg = Color::Green, .add_modifier = tui::Modifier::BOLD}), Span(" yes   "),
             Span("n", Style{.fg = Color::Red, .add_modifier = tui::Modifier::BOLD}), Span(" no")})},
      tui::Alignment::Center);
  body.render(block.inner(dialog), buffer);
}

std::string_view unstaged_hint(bool rebase) {
  return rebase ? "o:edit  S:resolve  ^j/^k:file" : "s:stage  S:all  d:discard  D:discard all  ^j/^k:file";
}

std::string_view staged_title(const state::CommitViewState& view, bool rebase) {
  return rebase ? "Resolved" : view.amending ? "Amending HEAD" : "Staged";
}

std::string_view staged_hint(const state::CommitViewState& view, bool rebase) {
  if (rebase) return view.unstaged.empty() ? "^j/^k:file  c:continue rebase" : "^j/^k:file";
  if (view.amending) return "u:unstage  U:all  c:amend  esc:cancel";
  return view.staged.empty() ? "u:unstage  U:all" : "u:unstage  U:all  c:commit";
}

}  // namespace

void render_file_list_panel(tui::Buffer& buffer, tui::Rect area, std::string_view title,
                            const std::vector<repo::WorktreeFile>& files, std::size_t selected,
                            std::size_t scroll, bool focused, std::optional<std::string_view> hint,
                            const std::map<std::string, std::size_t>* resolved) {
  if (area.is_empty()) return;
  const tui::Block block{.borders = tui::Borders::ALL,
                         .border_style = Style{.fg = focused ? Color::White : Color::DarkGray},
                         .title_top = Line(Span(panel_title(title, files.size())))};
  block.render(area, buffer);
  const tui::Rect inside = block.inner(area);
  tui::Rect list = inside;
  if (hint) {
    const auto parts = tui::split_vertical(inside, {tui::Constraint::min(0), tui::Constraint::length(1)});
    list = parts[0];
    tui::Paragraph(Line(Span(*hint, kHint))).render(parts[1], buffer);
  }
  if (files.empty()) {
    tui::Paragraph(Line(Span("No files", kHint))).render(list, buffer);
    return;
  }
  tui::Table table{.widths = {tui::Constraint::percentage(75), tui::Constraint::percentage(25)},
                   .column_spacing = 1};
  // A window top left past the end of a shrunken list shows no rows.
  for (std::size_t i = scroll; i < files.size() && i - scroll < list.height; ++i)
    table.rows.push_back(file_list_row(i, files[i], selected, focused, resolved));
  table.render(list, buffer);
}

void render_commit_view(tui::Buffer& buffer, tui::Rect area, const state::CommitViewState& view,
                        const state::State& state, const repo::Repo& repo, state::Clock::time_point now) {
  const auto split =
      tui::split_vertical(area, {tui::Constraint::min(0), tui::Constraint::length(kPanelsHeight)});
  const tui::Rect preview = split[0];
  const auto panels =
      tui::split_horizontal(split[1], {tui::Constraint::percentage(50), tui::Constraint::percentage(50)});
  const repo::ConflictContext context = repo.detect_conflict_context();
  const bool rebase = state.rebase_in_progress;

  std::string title = " No file selected ";
  if (view.selected_path) title = " " + *view.selected_path + (rebase ? " (rebase conflict) " : " ");
  const tui::Block block{
      .borders = tui::Borders::ALL,
      .border_style = Style{.fg = rebase ? Color::Yellow : Color::White},
      .title_top = Line(Span(std::move(title))),
      .title_bottom = Line(Span(rebase ? " esc:abort rebase  o:open file  j/k:scroll  ^d/^u:½page "
                                       : " tab:back  o:open file  j/k:scroll  ^d/^u:½page ",
                                kHint))};
  if (!preview.is_empty()) block.render(preview, buffer);
  const tui::Rect inner = block.inner(preview);
  if (const auto shown = viewport::shown_file(view))
    render_diff_preview(buffer, inner, *shown->file, shown->from_unstaged, context, view);
  else
    tui::Paragraph(Line(Span("Select a file from the lists below to view its diff", kHint)))
        .render(inner, buffer);

  render_file_list_panel(buffer, panels[0], rebase ? "Conflicts" : "Unstaged", view.unstaged,
                         view.unstaged_index, view.unstaged_list_scroll, !view.staged_focus,
                         unstaged_hint(rebase), nullptr);
  render_file_list_panel(buffer, panels[1], staged_title(view, rebase), view.staged, view.staged_index,
                         view.staged_list_scroll, view.staged_focus, staged_hint(view, rebase),
                         &view.resolved_sections);

  render_toast(buffer, area, state, now);
  if (state.pending_discard)
    render_dialog(buffer, area, state.pending_discard->first, state.pending_discard->second);
}

}  // namespace render
