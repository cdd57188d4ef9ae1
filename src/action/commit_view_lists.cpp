// Building the staging view's record, reloading its lists and colouring the
// selected file.

#include "action/commit_view.hpp"
#include "highlight/highlight.hpp"

#include <algorithm>

namespace action {
namespace {

std::optional<std::string> first_path(const std::vector<repo::WorktreeFile>& first,
                                      const std::vector<repo::WorktreeFile>& second) {
  if (!first.empty()) return first.front().path;
  if (!second.empty()) return second.front().path;
  return std::nullopt;
}

void clamp_list(const std::vector<repo::WorktreeFile>& files, std::size_t& index, std::size_t& top) {
  if (files.empty()) {
    index = 0;
    top = 0;
  } else {
    index = std::min(index, files.size() - 1);
  }
}

}  // namespace

state::CommitViewState make_commit_view(repo::WorktreeStatus status, bool amending) {
  state::CommitViewState view;
  view.unstaged = std::move(status.unstaged);
  view.staged = std::move(status.staged);
  view.selected_path = amending ? first_path(view.staged, view.unstaged) : first_path(view.unstaged, view.staged);
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

void refresh_commit_view(state::State& state, const repo::Repo& repo) {
  if (!state.commit_view) return;
  state::CommitViewState& view = *state.commit_view;
  auto status = repo.load_worktree_status(view.amending);
  if (!status) return;

  const std::optional<std::string> previous = view.selected_path;
  view.unstaged = std::move(status->unstaged);
  view.staged = std::move(status->staged);
  clamp_list(view.unstaged, view.unstaged_index, view.unstaged_list_scroll);
  clamp_list(view.staged, view.staged_index, view.staged_list_scroll);
  ensure_file_visible(view);

  const auto& focused = view.staged_focus ? view.staged : view.unstaged;
  const std::size_t index = view.staged_focus ? view.staged_index : view.unstaged_index;
  view.selected_path = focused.empty() ? std::nullopt : std::optional(focused[index].path);
  // The same file keeps its place even when it got shorter.
  if (view.selected_path != previous) view.diff_scroll = 0;

  if (!view.amending && view.unstaged.empty() && view.staged.empty()) {
    state.commit_view.reset();
    state.set_status("all changes staged/unstaged");
    return;
  }
  update_staging_highlight(state);
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
  const repo::WorktreeFile* staged = viewport::staged_entry(view);

  const highlight::Highlighter highlighter;
  state::StagingHighlight colours;
  colours.path = path;
  if (unstaged != nullptr) colours.unstaged = highlighter.highlight_hunks(unstaged->unstaged_hunks, path);
  if (staged != nullptr) colours.staged = highlighter.highlight_hunks(staged->staged_hunks, path);
  if (unstaged != nullptr && viewport::shows_conflicts(*unstaged))
    colours.conflicts = highlighter.highlight_conflicts(unstaged->conflict_sections, path);
  view.staging_highlight = std::move(colours);
}

}  // namespace action
