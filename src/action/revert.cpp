#include "action/revert.hpp"

#include "action/action.hpp"
#include "action/git_runs.hpp"
#include "repo/git_cli.hpp"

namespace action {

namespace {

void revert_selected(state::State& state, repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  const repo::Oid id = commit->id;  // the reload below replaces the commit list
  const auto run = repo::run_git({"revert", "--no-edit", id.hex()}, repo.work_command_dir());
  report_git_run(state, repo, run, "revert failed: ", "reverted " + id.short_hex());
}

}  // namespace

void start_revert(state::State& state, const repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  if (!repo.is_ancestor_of_head(commit->id)) {
    state.set_status("can only revert commits in HEAD's history");
    return;
  }
  state.confirming_revert = true;
  state.status_message.reset();
}

void Action::execute_revert_confirmation_mode(state::State& state, repo::Repo& repo) const {
  switch (kind) {
    case Escape:
    case Interrupt:
      state.confirming_revert = false;
      return;
    case Confirm:
      revert_selected(state, repo);
      state.confirming_revert = false;
      return;
    default:
      return;
  }
}

}  // namespace action
