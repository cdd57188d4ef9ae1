#include "action/commit_view_changes.hpp"

#include "action/commit_flow.hpp"
#include "action/commit_view.hpp"
#include "action/editor.hpp"
#include "action/rebase.hpp"

#include <string_view>

namespace action {
namespace {

// A change that worked reloads the lists; one that failed says why. With
// `reload_failed` a failure reloads them too: a hunk that no longer matches
// says the file changed under the view, and a discard git reports failed may
// have restored the file all the same. The next key then acts on what is
// there; lists that are as they were stay as they are.
void reload_or_report(state::State& state, const repo::Repo& repo, std::size_t height,
                      const std::expected<void, std::string>& done, std::string_view prefix,
                      bool reload_failed = false) {
  if (done) {
    refresh_commit_view(state, repo, height);
    return;
  }
  if (reload_failed) refresh_commit_view(state, repo, height);
  state.set_status(std::string(prefix) + done.error());
}

// The same for a change to the path's index entry, which an amend view
// notes: cancelling it puts back only what it changed.
void index_changed(state::State& state, const repo::Repo& repo, std::size_t height, const std::string& path,
                   const std::expected<void, std::string>& done, std::string_view prefix,
                   bool reload_failed = false) {
  if (done && state.commit_view->amending) state.commit_view->amend_changed_paths.insert(path);
  reload_or_report(state, repo, height, done, prefix, reload_failed);
}

// A conflicted file is staged only once no conflict section is left in it:
// staging would mark the file resolved, markers and all. The file is read
// now, as it may have been resolved by hand since the lists were loaded.
bool refuse_unresolved(state::State& state, const repo::Repo& repo, const repo::WorktreeFile* unstaged) {
  if (unstaged == nullptr || unstaged->kind != repo::ChangeKind::Conflicted) return false;
  const std::size_t left = repo.conflict_blocks_left(unstaged->path);
  if (left == 0) return false;
  state.set_status(std::to_string(left) + " conflicts left in " + unstaged->path + ": take a side with 1 or 2");
  return true;
}

bool can_discard_hunks_of(repo::ChangeKind kind) {
  switch (kind) {
    case repo::ChangeKind::Modified:
    case repo::ChangeKind::Added:
    case repo::ChangeKind::Deleted:
    case repo::ChangeKind::Renamed:
    case repo::ChangeKind::TypeChange:
      return true;
    case repo::ChangeKind::Untracked:
    case repo::ChangeKind::Conflicted:
      break;
  }
  return false;
}

// 1 and 2: the section under the cursor, past the last row the last one.
void resolve_section(state::State& state, const repo::Repo& repo, std::size_t height, const repo::WorktreeFile& file,
                     bool ours) {
  const std::string path = file.path;
  const auto starts = viewport::conflict_section_starts(file.conflict_sections);
  const std::size_t section = viewport::index_under_cursor(starts, state.commit_view->diff_scroll);
  auto done = repo.resolve_conflict(path, section, ours);
  if (!done) {
    state.set_status("failed to resolve: " + done.error());
    return;
  }
  ++state.commit_view->resolved_sections[path];
  refresh_commit_view(state, repo, height);
}

void open_in_editor(state::State& state, const repo::Repo& repo, tui::Terminal& terminal,
                    const std::string& path) {
  // The work tree, not Repo.path: that may name the .git directory.
  auto ran = run_with_terminal(terminal, editor_command(editor_program(), {repo.workdir_path(path)}));
  if (!ran)
    state.set_status("failed to open editor: " + ran.error());
  else if (!ran->success())
    state.set_status("editor exited with error");
  else
    refresh_commit_view(state, repo, diff_viewport_height(terminal));
}

void commit_or_continue(state::State& state, repo::Repo& repo, tui::Terminal& terminal) {
  const state::CommitViewState& view = *state.commit_view;
  if (state.rebase_in_progress) {
    if (!view.unstaged.empty())
      state.set_status("stage all changes before continuing rebase");
    else
      continue_rebase(state, repo);
    return;
  }
  if (view.staged.empty()) {
    state.set_status("nothing staged to commit");
    return;
  }
  commit_with_editor(state, repo, terminal, view.amending);
}

}  // namespace

void confirm_discard(const Action& action, state::State& state, const repo::Repo& repo, std::size_t height) {
  const auto [path, kind] = std::move(*state.pending_discard);
  state.pending_discard.reset();
  if (action.kind != Action::Yank) return;

  if (kind == state::DiscardKind::Hunk) {
    const auto hunk = find_topmost_visible_hunk(*state.commit_view, true);
    if (!hunk) return;
    reload_or_report(state, repo, height, repo.discard_hunk(path, *hunk), "failed to discard hunk: ", true);
    return;
  }
  const bool untracked = kind == state::DiscardKind::UntrackedFile;
  auto done = repo.discard_file(path, untracked);
  if (done) state.set_status((untracked ? "deleted " : "discarded ") + path);
  reload_or_report(state, repo, height, done, "failed to discard: ", true);
}

void execute_commit_view_change(const Action& action, state::State& state, repo::Repo& repo,
                                tui::Terminal& terminal) {
  state::CommitViewState& view = *state.commit_view;
  const bool unstaged_focus = !view.staged_focus;
  const repo::WorktreeFile* unstaged = viewport::unstaged_entry(view);
  const std::size_t height = diff_viewport_height(terminal);

  switch (action.kind) {
    case Action::Checkout:
      commit_or_continue(state, repo, terminal);
      return;
    case Action::Open:
      if (view.selected_path) open_in_editor(state, repo, terminal, *view.selected_path);
      return;
    case Action::StageAll:
      if (unstaged_focus && view.selected_path && !refuse_unresolved(state, repo, unstaged))
        index_changed(state, repo, height, *view.selected_path, repo.stage_file(*view.selected_path),
                      "failed to stage: ");
      return;
    case Action::UnstageAll:
      if (!unstaged_focus && view.selected_path)
        index_changed(state, repo, height, *view.selected_path,
                      repo.unstage_file(*view.selected_path, view.amending), "failed to unstage: ");
      return;
    case Action::Delete:
      if (unstaged_focus && unstaged && can_discard_hunks_of(unstaged->kind) && !unstaged->unstaged_hunks.empty())
        state.pending_discard = {unstaged->path, state::DiscardKind::Hunk};
      return;
    case Action::Digit:
      if ((action.ch == U'1' || action.ch == U'2') && unstaged && viewport::shows_conflicts(*unstaged))
        resolve_section(state, repo, height, *unstaged, action.ch == U'1');
      return;
    case Action::Char:
      break;
    default:
      return;
  }

  if (!view.selected_path) return;
  const std::string path = *view.selected_path;
  if (action.ch == U's' && unstaged_focus) {
    if (refuse_unresolved(state, repo, unstaged)) return;
    if (const auto hunk = find_topmost_visible_hunk(view, true))
      index_changed(state, repo, height, path, repo.stage_hunk(path, *hunk), "failed to stage hunk: ", true);
  } else if (action.ch == U'u' && !unstaged_focus) {
    if (const auto hunk = find_topmost_visible_hunk(view, false))
      index_changed(state, repo, height, path, repo.unstage_hunk(path, *hunk, view.amending),
                    "failed to unstage hunk: ", true);
  } else if (action.ch == U'D' && unstaged_focus) {
    if (unstaged && unstaged->kind == repo::ChangeKind::Conflicted) return;
    const bool untracked = unstaged && unstaged->kind == repo::ChangeKind::Untracked;
    state.pending_discard = {path, untracked ? state::DiscardKind::UntrackedFile : state::DiscardKind::FileChanges};
  }
}

bool restore_index_after_amend(state::State& state, const repo::Repo& repo) {
  const state::CommitViewState& view = *state.commit_view;
  if (!view.index_before_amend) {
    // A view opened without a copy of the index can only go back to HEAD.
    (void)repo.reset_index_to_head();
    return true;
  }
  // Entries changed elsewhere meanwhile (a commit or a git add in another
  // shell) stay as they are now.
  if (auto restored = repo.restore_index(*view.index_before_amend, view.amend_changed_paths); !restored) {
    state.set_status("failed to restore the index: " + restored.error());
    return false;
  }
  return true;
}

}  // namespace action
