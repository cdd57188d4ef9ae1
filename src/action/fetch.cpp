#include "action/commit_commands.hpp"

#include "tui/fatal.hpp"
#include "utils/worker.hpp"

namespace action {

void start_fetch(state::State& state, const repo::Repo& repo) {
  if (!repo.has_remote()) {
    state.set_status("no remote configured");
    return;
  }
  if (state.fetch_task) return;
  state.fetch_task = state::Task<state::FetchResult>{
      utils::spawn_worker<state::FetchResult>([path = repo.path] { return fetch_worker(path); }, tui::fatal), 0};
  state.status_message.reset();
}

state::FetchResult fetch_worker(const std::string& repo_path) {
  return git_run_result<state::FetchResult>(
      repo::run_git_to_completion({"fetch", "--all", "--prune"}, repo_path), "fetched", "fetch failed: ");
}

}  // namespace action
