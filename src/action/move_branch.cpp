#include "action/move_branch.hpp"

#include "action/action.hpp"
#include "action/branch_prompt.hpp"
#include "action/git_runs.hpp"
#include "repo/git_cli.hpp"

namespace action {

namespace {

void end_move(state::State& state) {
  state.selecting_move_branch = false;
  state.selecting_move_target = false;
  state.confirming_move = false;
  state.move_branch.clear();
}

void move_to_selected(state::State& state, repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  const repo::Oid target = commit->id;
  const std::string branch = state.move_branch;
  // update-ref can make a branch named like an option ("-d"); git must
  // never read it as one.
  if (branch.starts_with('-')) {
    state.set_status("move failed: invalid name '" + branch + "'");
    return;
  }
  // HEAD as it is now: the model lags behind a checkout made from outside,
  // and the reset would move whatever branch HEAD is on by then.
  const auto head = repo.read_head();
  if (!head) {
    state.set_status("move failed: " + head.error());
    return;
  }
  const auto run = repo::run_git(move_branch_args(*head, branch, target), repo.work_command_dir());
  report_git_run(state, repo, run, "move failed: ", "moved " + branch + " to " + target.short_hex());
}

}  // namespace

void start_branch_move(state::State& state, const repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  std::vector<std::string> branches = repo.local_branches_at(commit->id);
  if (branches.empty()) {
    state.set_status("no local branches on this commit");
    return;
  }
  if (branches.size() == 1)
    state.selecting_move_target = true;
  else
    state.selecting_move_branch = true;
  state.move_branch = std::move(branches.front());
  state.status_message.reset();
}

std::vector<std::string> move_branch_args(const repo::HeadState& head, const std::string& branch,
                                          const repo::Oid& target) {
  const auto* on = std::get_if<repo::HeadBranch>(&head);
  // --keep, not --hard: local changes the move would overwrite make git
  // refuse instead of throwing them away.
  if (on && on->name == branch) return {"reset", "--keep", target.hex()};
  return {"branch", "-f", branch, target.hex()};
}

void Action::execute_move_branch_selection_mode(state::State& state, const repo::Repo& repo) const {
  // Cancelling needs no commit: a reload that shortened the log under the
  // selection must not leave the user without a way out.
  if (kind == Escape || kind == Interrupt) {
    end_move(state);
    return;
  }
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  switch (kind) {
    case Confirm:
      state.selecting_move_branch = false;
      state.selecting_move_target = true;
      return;
    case Tab:
      if (auto next = next_branch_choice(repo.local_branches_at(commit->id), state.move_branch))
        state.move_branch = std::move(*next);
      return;
    default:
      return;
  }
}

void Action::execute_move_target_mode(state::State& state, std::size_t loaded_commits) const {
  switch (kind) {
    case Escape:
    case Interrupt:
      end_move(state);
      return;
    case MoveUp:
    case Up:
      if (state.selected > 0) --state.selected;
      return;
    case MoveDown:
    case Down:
      if (state.selected + 1 < loaded_commits) ++state.selected;
      return;
    case GoTop:
      state.selected = 0;
      return;
    case GoBottom:
      if (loaded_commits > 0) state.selected = loaded_commits - 1;
      return;
    case Confirm:
      state.selecting_move_target = false;
      state.confirming_move = true;
      return;
    default:
      return;
  }
}

void Action::execute_move_confirmation_mode(state::State& state, repo::Repo& repo) const {
  switch (kind) {
    case Escape:
    case Interrupt:
    case NextMatch:
      end_move(state);
      return;
    case Confirm:
    case Yank:
      move_to_selected(state, repo);
      end_move(state);
      return;
    default:
      return;
  }
}

}  // namespace action
