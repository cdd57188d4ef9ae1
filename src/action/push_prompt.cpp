#include "action/action.hpp"
#include "action/branch_prompt.hpp"
#include "action/commit_commands.hpp"
#include "tui/fatal.hpp"
#include "utils/worker.hpp"

namespace action {

namespace {

void start_push(state::State& state, const repo::Repo& repo) {
  const std::string& name = state.push_input;
  if (name.empty()) {
    state.set_status("no branch name");
    return;
  }
  if (!is_pushable_name(name)) {
    state.set_status("push failed: invalid name '" + name + "'");
    return;
  }
  // A push still running goes on, but its result is no longer awaited.
  state.push_task = state::Task<state::PushResult>{
      utils::spawn_worker<state::PushResult>([name, path = repo.path] { return push_worker(name, path); }, tui::fatal), 0};
}

}  // namespace

bool is_pushable_name(std::string_view text) {
  if (text.starts_with('-') || text.starts_with('+')) return false;
  return text.find_first_of(":*") == std::string_view::npos;
}

void open_push_prompt(state::State& state, const repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  const std::vector<std::string> local = repo.local_branches_at(commit->id);
  if (!repo.has_remote()) {
    state.set_status("no remote configured");
    return;
  }
  if (local.empty()) {
    state.set_status("no local branch at this commit");
    return;
  }
  state.entering_push_branch = true;
  state.push_input = local.front();
  end_completion(state);
  state.status_message.reset();
}

void Action::execute_push_mode(state::State& state, const repo::Repo& repo) const {
  if (edit_branch_prompt(*this, state, state.push_input, state.entering_push_branch)) return;
  switch (kind) {
    case Escape:
    case Interrupt:
      close_branch_prompt(state, state.push_input, state.entering_push_branch);
      return;
    case Confirm:
      start_push(state, repo);
      close_branch_prompt(state, state.push_input, state.entering_push_branch);
      return;
    case Tab:
      if (const repo::Commit* commit = state::selected_commit(state, repo))
        complete_branch(state, state.push_input, repo.local_branches_at(commit->id));
      return;
    default:
      return;
  }
}

state::PushResult push_worker(const std::string& branch, const std::string& repo_path) {
  return git_run_result<state::PushResult>(
      repo::run_git_to_completion({"push", "-u", "origin", branch}, repo_path), "pushed " + branch,
      "push failed: ");
}

}  // namespace action
