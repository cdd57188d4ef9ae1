#include "action/log_view.hpp"
#include "action/commit_commands.hpp"
#include "action/commit_view.hpp"
#include "action/rebase.hpp"
#include "action/revert_move.hpp"

#include "action/hotkey_panel.hpp"

namespace action {

namespace {

void open_create_prompt(state::State& state) {
  state.status_message.reset();
  state.creating_branch = true;
  state.create_branch_input.clear();
  state.completion_prefix.reset();
  state.completion_index = 0;
}

void open_delete_prompt(state::State& state, const repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  if (repo.local_branches_at(commit->id).empty()) {
    state.set_status("no local branches on this commit");
    return;
  }
  state.status_message.reset();
  state.deleting_branch = true;
  state.delete_branch_input.clear();
  state.completion_prefix.reset();
  state.completion_index = 0;
}

// Tab: the staging view over the work tree's changes.
void open_staging_view(state::State& state, const repo::Repo& repo) {
  const auto changes = repo.look_for_changes();
  if (!changes) {
    state.set_status("failed to read the status: " + changes.error());
    return;
  }
  if (!*changes) {
    state.set_status("no changes to stage");
    return;
  }
  if (!open_commit_view(state, repo)) return;
  // The details search stays for when the details open again.
  state.commit_details.reset();
}

// a: the staging view over HEAD's own changes, to amend it.
void open_amend_view(state::State& state, const repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  if (commit->id != repo.head_sha()) {
    state.set_status("can only amend the latest commit");
    return;
  }
  if (commit->parent_ids.empty()) {
    state.set_status("cannot amend: the first commit has no parent");
    return;
  }
  if (commit->parent_ids.size() > 1) {
    state.set_status("cannot amend: merge commits can't be amended");
    return;
  }
  // Cancelling puts this copy back, so an index that cannot be read now
  // must not be edited at all.
  auto before = repo.snapshot_index();
  auto status = before ? repo.load_worktree_status(true) : std::nullopt;
  if (!status) {
    state.set_status("could not open commit for amend");
    return;
  }
  state.commit_view = make_commit_view(std::move(*status), true);
  state.commit_view->index_before_amend = std::move(*before);
  update_staging_highlight(state);
  state.commit_details.reset();
  state.set_status("amending HEAD — edit staging, c to commit, esc to cancel");
}

}  // namespace

void execute_log_command(const Action& action, state::State& state, repo::Repo& repo) {
  state.count_prefix.clear();
  switch (action.kind) {
    case Action::CreateBranch:
      open_create_prompt(state);
      return;
    case Action::Delete:
      open_delete_prompt(state, repo);
      return;
    case Action::Checkout:
      checkout_from_log(state, repo);
      return;
    case Action::Push:
      open_push_prompt(state, repo);
      return;
    case Action::Yank:
      copy_commit_id(state, repo);
      return;
    case Action::Open:
      open_commit_page(state, repo);
      return;
    case Action::Fetch:
      start_fetch(state, repo);
      return;
    case Action::Rebase:
      start_rebase(state, repo);
      return;
    case Action::Revert:
      start_revert(state, repo);
      return;
    case Action::MoveBranch:
      start_branch_move(state, repo);
      return;
    case Action::Tab:
      open_staging_view(state, repo);
      return;
    case Action::Char:
      if (action.ch == U'a') open_amend_view(state, repo);
      if (action.ch == U'?') toggle_hotkeys(state, repo);
      return;
    default:
      return;
  }
}

}  // namespace action
