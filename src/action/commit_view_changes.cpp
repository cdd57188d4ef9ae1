#include "action/commit_view_changes.hpp"

#include <string_view>

#include "action/commit_flow.hpp"
#include "action/commit_view_lists.hpp"
#include "action/editor.hpp"
#include "action/rebase.hpp"
#include "viewport/staging_geometry.hpp"

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
  state.set_status(std::to_string(left) + " conflicts left in " + unstaged->path +
                   ": take a side with 1 or 2");
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

}  // namespace

void stage_selected_file(state::State& state, const repo::Repo& repo, std::size_t height) {
  const state::CommitViewState& view = *state.commit_view;
  if (view.staged_focus || !view.selected_path) return;
  if (refuse_unresolved(state, repo, viewport::unstaged_entry(view))) return;
  index_changed(state, repo, height, *view.selected_path, repo.stage_file(*view.selected_path),
                "failed to stage: ");
}

void unstage_selected_file(state::State& state, const repo::Repo& repo, std::size_t height) {
  const state::CommitViewState& view = *state.commit_view;
  if (!view.staged_focus || !view.selected_path) return;
  index_changed(state, repo, height, *view.selected_path,
                repo.unstage_file(*view.selected_path, view.amending), "failed to unstage: ");
}

void stage_hunk_under_cursor(state::State& state, const repo::Repo& repo, std::size_t height) {
  const state::CommitViewState& view = *state.commit_view;
  if (view.staged_focus || !view.selected_path) return;
  const std::string path = *view.selected_path;
  if (refuse_unresolved(state, repo, viewport::unstaged_entry(view))) return;
  if (const auto hunk = viewport::find_topmost_visible_hunk(view, true))
    index_changed(state, repo, height, path, repo.stage_hunk(path, *hunk), "failed to stage hunk: ", true);
}

void unstage_hunk_under_cursor(state::State& state, const repo::Repo& repo, std::size_t height) {
  const state::CommitViewState& view = *state.commit_view;
  if (!view.staged_focus || !view.selected_path) return;
  const std::string path = *view.selected_path;
  if (const auto hunk = viewport::find_topmost_visible_hunk(view, false))
    index_changed(state, repo, height, path, repo.unstage_hunk(path, *hunk, view.amending),
                  "failed to unstage hunk: ", true);
}

void ask_to_discard_hunk(state::State& state) {
  const state::CommitViewState& view = *state.commit_view;
  const repo::WorktreeFile* unstaged = viewport::unstaged_entry(view);
  if (view.staged_focus || !unstaged || !can_discard_hunks_of(unstaged->kind) ||
      unstaged->unstaged_hunks.empty())
    return;
  state.pending_discard = {unstaged->path, state::DiscardKind::Hunk};
}

void ask_to_discard_file(state::State& state) {
  const state::CommitViewState& view = *state.commit_view;
  if (view.staged_focus || !view.selected_path) return;
  const repo::WorktreeFile* unstaged = viewport::unstaged_entry(view);
  // A conflict is resolved with 1 and 2, not thrown away.
  if (unstaged && unstaged->kind == repo::ChangeKind::Conflicted) return;
  const bool untracked = unstaged && unstaged->kind == repo::ChangeKind::Untracked;
  state.pending_discard = {*view.selected_path,
                           untracked ? state::DiscardKind::UntrackedFile : state::DiscardKind::FileChanges};
}

void answer_discard(state::State& state, const repo::Repo& repo, std::size_t height, bool yes) {
  const auto [path, kind] = std::move(*state.pending_discard);
  state.pending_discard.reset();
  if (!yes) return;

  if (kind == state::DiscardKind::Hunk) {
    const auto hunk = viewport::find_topmost_visible_hunk(*state.commit_view, true);
    if (!hunk) return;
    reload_or_report(state, repo, height, repo.discard_hunk(path, *hunk), "failed to discard hunk: ", true);
    return;
  }
  const bool untracked = kind == state::DiscardKind::UntrackedFile;
  auto done = repo.discard_file(path, untracked);
  if (done) state.set_status(untracked ? "deleted " + path : "discarded " + path);
  reload_or_report(state, repo, height, done, "failed to discard: ", true);
}

void take_conflict_side(state::State& state, const repo::Repo& repo, std::size_t height, bool ours) {
  const repo::WorktreeFile* unstaged = viewport::unstaged_entry(*state.commit_view);
  if (!unstaged || !viewport::shows_conflicts(*unstaged)) return;
  // A copy: the reload below replaces the lists.
  const std::string path = unstaged->path;
  const auto starts = viewport::conflict_section_starts(unstaged->conflict_sections);
  const std::size_t section = viewport::index_under_cursor(starts, state.commit_view->diff_scroll);
  auto done = repo.resolve_conflict(path, section, ours);
  if (!done) {
    state.set_status("failed to resolve: " + done.error());
    return;
  }
  ++state.commit_view->resolved_sections[path];
  refresh_commit_view(state, repo, height);
}

void edit_selected_file(state::State& state, const repo::Repo& repo, tui::Terminal& terminal) {
  if (!state.commit_view->selected_path) return;
  const std::string path = *state.commit_view->selected_path;
  // The work tree, not Repo.path: that may name the .git directory.
  auto ran = run_with_terminal(terminal, editor_command(editor_program(), {repo.workdir_path(path)}));
  if (!ran)
    state.set_status("failed to open editor: " + ran.error());
  else if (!ran->success())
    state.set_status("editor exited with error");
  else
    refresh_commit_view(state, repo, viewport::diff_viewport_height(terminal));
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
