#pragma once
// The git runs of the log's commands as the user sees them: the one run of
// the push and fetch workers, and a run's outcome as the status message
// (the success text, or git's failure behind the command's prefix).

#include <expected>
#include <string>
#include <string_view>
#include <utility>

#include "repo/git_cli.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"

namespace action {

// The work of the background threads: one git run and its one result.
state::FetchResult fetch_worker(const std::string& repo_path);
state::PushResult push_worker(const std::string& branch, const std::string& repo_path);

// What a git run comes to on screen: the success text, or git's failure
// text behind the prefix.
std::string git_run_message(const std::expected<void, repo::GitFailure>& run, std::string done,
                            std::string_view failed_prefix);

// A worker's result from its git run: that text, and a reload on success.
template <class Result>
Result git_run_result(const std::expected<void, repo::GitFailure>& run, std::string done,
                      std::string_view failed_prefix) {
  return Result{git_run_message(run, std::move(done), failed_prefix), run.has_value()};
}

// The same on the main thread, as the status message; the model is
// reloaded only when git succeeded, so a stopped revert's state stays for
// the user to finish.
void report_git_run(state::State& state, repo::Repo& repo, const std::expected<void, repo::GitFailure>& run,
                    std::string_view failed_prefix, std::string done);

}  // namespace action
