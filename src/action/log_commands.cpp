#include "action/log_view.hpp"
#include "action/commit_commands.hpp"
#include "action/revert_move.hpp"

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
    case Action::Revert:
      start_revert(state, repo);
      return;
    case Action::MoveBranch:
      start_branch_move(state, repo);
      return;
    default:
      return;
  }
}

}  // namespace action
