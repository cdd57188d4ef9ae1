#include "action/git_runs.hpp"

namespace action {

state::FetchResult fetch_worker(const std::string& repo_path) {
  return git_run_result<state::FetchResult>(
      repo::run_git_to_completion({"fetch", "--all", "--prune"}, repo_path), "fetched", "fetch failed: ");
}

state::PushResult push_worker(const std::string& branch, const std::string& repo_path) {
  return git_run_result<state::PushResult>(
      repo::run_git_to_completion({"push", "-u", "origin", branch}, repo_path), "pushed " + branch,
      "push failed: ");
}

std::string git_run_message(const std::expected<void, repo::GitFailure>& run, std::string done,
                            std::string_view failed_prefix) {
  if (run) return done;
  return std::string(failed_prefix) + run.error().message;
}

void report_git_run(state::State& state, repo::Repo& repo, const std::expected<void, repo::GitFailure>& run,
                    std::string_view failed_prefix, std::string done) {
  if (run) repo.refresh();
  state.set_status(git_run_message(run, std::move(done), failed_prefix));
}

}  // namespace action
