// The rebase road: the branch choice, the target prompt and the git run, the
// conflict view a stop opens, and continuing or aborting the stopped rebase.

#include "action/rebase.hpp"

#include <string>
#include <vector>

#include "action/action.hpp"
#include "action/branch_prompt.hpp"
#include "action/commit_view_lists.hpp"
#include "repo/git_cli.hpp"

namespace action {

namespace {

// Back to the log: no rebase step open, nothing chosen or typed.
void end_rebase(state::State& state) {
  state.selecting_rebase_branch = false;
  state.entering_rebase_target = false;
  state.rebase_in_progress = false;
  state.rebase_branch.clear();
  state.rebase_onto_input.clear();
  end_completion(state);
}

// A failed rebase or continue that left git mid-rebase has stopped on a
// commit, whatever it wrote: the apply backend tells of a conflict on
// standard output only, and a continue refused for files still unmerged
// leaves the same stop.
bool stopped_mid_rebase(const repo::GitFailure& failure, const repo::Repo& repo) {
  return failure.started && (failure.stopped_on_conflict() || repo.rebase_in_progress());
}

std::expected<void, repo::GitFailure> run_continue(const repo::Repo& repo) {
  // git would otherwise wait in an editor no one sees for the message.
  return repo::run_git({"rebase", "--continue"}, repo.work_command_dir(), {{"GIT_EDITOR", "true"}});
}

void run_rebase(state::State& state, repo::Repo& repo) {
  const std::string target = state.rebase_onto_input;
  const std::string branch = state.rebase_branch;
  // Both stand where git reads options: a target "-x" would run the branch
  // name as a shell command after each commit, and update-ref can make a
  // branch whose name begins with "-".
  for (const std::string* name : {&target, &branch}) {
    if (name->starts_with('-')) {
      state.set_status("rebase failed: invalid name '" + *name + "'");
      end_rebase(state);
      return;
    }
  }
  const auto run = repo::run_git({"rebase", target, branch}, repo.work_command_dir());
  if (run) {
    state.set_status("rebased " + branch + " onto " + target);
    repo.refresh();
    jump_cursor_to_branch_tip(state, repo, branch);
    end_rebase(state);
    return;
  }
  if (stopped_mid_rebase(run.error(), repo)) {
    // The branch stays chosen: the final continue selects its tip.
    state.entering_rebase_target = false;
    state.rebase_in_progress = true;
    open_commit_view_for_conflicts(state, repo);
    return;
  }
  state.set_status("rebase failed: " + run.error().message);
  end_rebase(state);
}

}  // namespace

void start_rebase(state::State& state, const repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  std::vector<std::string> branches = repo.local_branches_at(commit->id);
  if (branches.empty()) {
    state.set_status("no local branch to rebase");
    return;
  }
  // One branch goes straight to the target prompt.
  if (branches.size() == 1) {
    state.rebase_onto_input.clear();
    open_prompt(state, state.entering_rebase_target);
  } else {
    open_prompt(state, state.selecting_rebase_branch);
  }
  state.rebase_branch = std::move(branches.front());
}

void Action::execute_rebase_branch_selection_mode(state::State& state, const repo::Repo& repo) const {
  switch (kind) {
    case Escape:
    case Interrupt:
      end_rebase(state);
      return;
    case Confirm:
      state.selecting_rebase_branch = false;
      state.entering_rebase_target = true;
      state.rebase_onto_input.clear();
      end_completion(state);
      return;
    case Tab: {
      const repo::Commit* commit = state::selected_commit(state, repo);
      if (!commit) return;
      if (auto next = next_branch_choice(repo.local_branches_at(commit->id), state.rebase_branch))
        state.rebase_branch = std::move(*next);
      return;
    }
    default:
      return;
  }
}

void Action::execute_rebase_target_mode(state::State& state, repo::Repo& repo) const {
  if (edit_branch_prompt(*this, state, state.rebase_onto_input, state.entering_rebase_target)) {
    // Backspace on an empty text closed the prompt, and with it the road.
    if (!state.entering_rebase_target) state.rebase_branch.clear();
    return;
  }
  switch (kind) {
    case Escape:
    case Interrupt:
      end_rebase(state);
      return;
    case Tab:
      complete_branch(state, state.rebase_onto_input, state::all_branch_names(repo));
      return;
    case Confirm:
      if (state.rebase_onto_input.empty())
        end_rebase(state);
      else
        run_rebase(state, repo);
      return;
    default:
      return;
  }
}

void Action::execute_rebase_in_progress_mode(state::State& state, repo::Repo& repo) const {
  switch (kind) {
    case Escape:
    case Interrupt:
      abort_rebase(state, repo);
      return;
    case Confirm: {
      const auto run = run_continue(repo);
      if (!run && !run.error().started) {
        state.set_status("rebase --continue failed: " + run.error().message);
      } else if (!run) {
        // Stopped again, on the next commit or the same one: its conflicts
        // in the view, as at the first stop.
        if (stopped_mid_rebase(run.error(), repo)) open_commit_view_for_conflicts(state, repo);
        // A stop with nothing to show (or none at all) stays here: the user
        // resolves outside and tries again.
        if (state.commit_view && state.commit_view->unstaged.empty() && state.commit_view->staged.empty())
          state.commit_view.reset();
        if (!state.commit_view) state.set_status("conflicts remain - resolve and press Enter");
      } else {
        end_rebase(state);
        state.set_status("rebase complete");
        repo.refresh();
      }
      return;
    }
    default:
      // The log stays out of reach until the rebase is continued or aborted.
      return;
  }
}

void continue_rebase(state::State& state, repo::Repo& repo) {
  const std::string branch = state.rebase_branch;
  const auto run = run_continue(repo);
  if (run) {
    end_rebase(state);
    state.commit_view.reset();
    state.set_status("rebase complete");
    repo.refresh();
    jump_cursor_to_branch_tip(state, repo, branch);
    return;
  }
  if (stopped_mid_rebase(run.error(), repo)) {
    // The next commit stopped: a fresh view, its resolved counts from none.
    open_commit_view_for_conflicts(state, repo);
    return;
  }
  state.set_status("rebase --continue failed: " + run.error().message);
}

void abort_rebase(state::State& state, repo::Repo& repo) {
  const auto run = repo::run_git({"rebase", "--abort"}, repo.work_command_dir());
  if (run) {
    end_rebase(state);
    state.set_status("rebase aborted");
  } else {
    // An abort git refused (an untracked file in the way, say) leaves the
    // rebase stopped: say so, and stay where Enter continues and Esc tries
    // again; only a rebase that is gone ends the mode.
    state.set_status("rebase --abort failed: " + run.error().message);
    if (repo.detect_conflict_context().kind != repo::ConflictKind::Rebase) end_rebase(state);
  }
  repo.refresh();
}

void open_commit_view_for_conflicts(state::State& state, repo::Repo& repo) {
  // The log shows where the rebase stopped.
  repo.refresh();
  // Unreadable: the rebase stays stopped and the status bar says how to go on.
  if (!open_commit_view(state, repo)) return;
  state.commit_details.reset();
  state.set_status("conflicts - use 1/2 to select side, S to stage when resolved");
}

void jump_cursor_to_branch_tip(state::State& state, const repo::Repo& repo, std::string_view branch) {
  const auto tip = repo.branches.find(repo::BranchName{std::string(branch)});
  if (tip == repo.branches.end()) return;
  if (const auto row = state::row_of(repo.commits, tip->second)) state.selected = *row;
}

}  // namespace action
