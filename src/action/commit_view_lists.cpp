// Building the staging view's record, reloading its lists and colouring the
// selected file.

#include "action/commit_view_lists.hpp"

#include <algorithm>

#include "highlight/highlight.hpp"
#include "viewport/staging_geometry.hpp"

namespace action {
namespace {

std::optional<std::string> first_path(const std::vector<repo::WorktreeFile>& first,
                                      const std::vector<repo::WorktreeFile>& second) {
  if (!first.empty()) return first.front().path;
  if (!second.empty()) return second.front().path;
  return std::nullopt;
}

// Rows a rebuild colours before the first frame asks for its own window.
constexpr std::size_t kRowsAtRebuild = 200;

// The diff lines of the hunks that have a row at or above the row.
std::size_t lines_through_row(const std::vector<repo::Hunk>& hunks, std::size_t last_row) {
  std::size_t lines = 0, row = 0;
  for (const repo::Hunk& hunk : hunks) {
    if (row > last_row) break;
    lines += std::min(hunk.lines.size(), last_row - row + 1);
    row += hunk.lines.size() + 1;  // the blank row after it
  }
  return lines;
}

// Colours the hunks the preview shows down to the row `rows` below the
// scroll position. A line's colours depend on every line above it in its
// file, so this always runs from the file's first line; what is further down
// waits until it comes into view.
void colour_shown_through(state::CommitViewState& view, std::size_t rows,
                          std::optional<highlight::Highlighter>& highlighter) {
  if (!view.staging_highlight || !view.selected_path || view.staging_highlight->path != *view.selected_path)
    return;
  const auto shown = viewport::shown_file(view);
  if (!shown || viewport::shows_conflicts(*shown->file) || rows == 0) return;
  const std::vector<repo::Hunk>& hunks =
      shown->from_unstaged ? shown->file->unstaged_hunks : shown->file->staged_hunks;
  highlight::HighlightedFile& colours =
      shown->from_unstaged ? view.staging_highlight->unstaged : view.staging_highlight->staged;
  const std::size_t wanted = lines_through_row(hunks, view.diff_scroll + (rows - 1));
  if (colours.lines.size() >= wanted) return;
  if (!highlighter) highlighter.emplace();
  highlighter->continue_hunks(hunks, *view.selected_path, wanted, colours);
}

// One list's selection before a reload: its file and the row of the window
// it stood on.
struct ListAnchor {
  std::optional<std::string> path;
  std::size_t row = 0;
};

ListAnchor anchor_of(const std::vector<repo::WorktreeFile>& files, std::size_t index, std::size_t top) {
  if (index >= files.size()) return {};
  return {files[index].path, index >= top ? index - top : 0};
}

// After a reload, as the log keeps its selection: the anchored file again
// where the list still holds it, on the same row of the window as far as the
// list allows; otherwise the same index, moved back inside a list that
// became shorter. The window never shows empty rows below the list while
// files are hidden above it.
void place(const std::vector<repo::WorktreeFile>& files, const ListAnchor& anchor, std::size_t& index,
           std::size_t& top) {
  if (files.empty()) {
    index = 0;
    top = 0;
    return;
  }
  const auto found =
      anchor.path ? std::ranges::find(files, *anchor.path, &repo::WorktreeFile::path) : files.end();
  if (found != files.end()) {
    index = static_cast<std::size_t>(found - files.begin());
    top = index >= anchor.row ? index - anchor.row : 0;
  } else {
    index = std::min(index, files.size() - 1);
  }
  viewport::clamp_window(files.size(), index, top);
}

void reload_lists(state::State& state, const repo::Repo& repo, std::size_t preview_height, bool may_close) {
  if (!state.commit_view) return;
  state::CommitViewState& view = *state.commit_view;
  auto status = repo.load_worktree_status(view.amending);
  if (!status) return;

  // Lists as they were (the watcher's news of the view's own change, say)
  // keep the selection, the colours and the scroll; only a scroll past what
  // the keys may reach comes back.
  if (status->unstaged != view.unstaged || status->staged != view.staged) {
    const ListAnchor unstaged = anchor_of(view.unstaged, view.unstaged_index, view.unstaged_list_scroll);
    const ListAnchor staged = anchor_of(view.staged, view.staged_index, view.staged_list_scroll);
    const std::optional<std::string> previous = view.selected_path;
    view.unstaged = std::move(status->unstaged);
    view.staged = std::move(status->staged);
    place(view.unstaged, unstaged, view.unstaged_index, view.unstaged_list_scroll);
    place(view.staged, staged, view.staged_index, view.staged_list_scroll);

    const auto& focused = view.staged_focus ? view.staged : view.unstaged;
    const std::size_t index = view.staged_focus ? view.staged_index : view.unstaged_index;
    view.selected_path = focused.empty() ? std::nullopt : std::optional(focused[index].path);
    // The same file keeps its place even when it got shorter.
    if (view.selected_path != previous) view.diff_scroll = 0;

    if (may_close && !view.amending && view.unstaged.empty() && view.staged.empty()) {
      state.commit_view.reset();
      state.set_status("all changes staged/unstaged");
      return;
    }
    update_staging_highlight(state);
  }
  // The last hunk's first row at the top at most: a hunk taken away from
  // the end must not leave the preview showing nothing.
  view.diff_scroll = std::min(view.diff_scroll, viewport::compute_max_scroll(view, preview_height));
}

}  // namespace

state::CommitViewState make_commit_view(repo::WorktreeStatus status, bool amending) {
  state::CommitViewState view;
  view.unstaged = std::move(status.unstaged);
  view.staged = std::move(status.staged);
  view.selected_path =
      amending ? first_path(view.staged, view.unstaged) : first_path(view.unstaged, view.staged);
  view.staged_focus = amending || view.unstaged.empty();
  view.amending = amending;
  return view;
}

bool open_commit_view(state::State& state, const repo::Repo& repo) {
  auto status = repo.load_worktree_status(false);
  if (!status) return false;
  state.commit_view = make_commit_view(std::move(*status), false);
  update_staging_highlight(state);
  return true;
}

void refresh_commit_view(state::State& state, const repo::Repo& repo, std::size_t preview_height) {
  reload_lists(state, repo, preview_height, true);
}

void reload_commit_view(state::State& state, const repo::Repo& repo, std::size_t preview_height) {
  // A stopped rebase is continued or aborted only by the user's own key.
  reload_lists(state, repo, preview_height, !state.rebase_in_progress);
}

void update_staging_highlight(state::State& state) {
  if (!state.commit_view) return;
  state::CommitViewState& view = *state.commit_view;
  if (!view.selected_path) {
    view.staging_highlight.reset();
    return;
  }
  const std::string& path = *view.selected_path;
  const repo::WorktreeFile* unstaged = viewport::unstaged_entry(view);

  // Each list's hunks start uncoloured and are coloured as they come into
  // the preview; conflict sections, each from a fresh state, are coloured
  // whole.
  std::optional<highlight::Highlighter> highlighter;
  state::StagingHighlight colours;
  colours.path = path;
  if (unstaged != nullptr && viewport::shows_conflicts(*unstaged))
    colours.conflicts = highlighter.emplace().highlight_conflicts(unstaged->conflict_sections, path);
  view.staging_highlight = std::move(colours);
  colour_shown_through(view, kRowsAtRebuild, highlighter);
}

void highlight_staging_window(state::State& state, tui::Size size) {
  if (!state.commit_view) return;
  std::optional<highlight::Highlighter> highlighter;
  colour_shown_through(*state.commit_view, size.height, highlighter);
}

}  // namespace action
