#include "action/push_prompt.hpp"

#include "action/action.hpp"
#include "action/branch_prompt.hpp"
#include "action/git_runs.hpp"
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
  state.push_input = local.front();
  open_prompt(state, state.entering_push_branch);
}

void Action::execute_push_mode(state::State& state, const repo::Repo& repo) const {
  // The push needs no commit: it pushes the branch by name.
  run_branch_prompt(*this, state, repo,
                    {.text = state.push_input,
                     .open = state.entering_push_branch,
                     .candidates = &repo::Repo::local_branches_at,
                     .empty_confirms = true,
                     .needs_commit = false,
                     .confirm = [&](const repo::Commit*) { start_push(state, repo); }});
}

}  // namespace action
