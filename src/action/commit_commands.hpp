#pragma once
// The log view's commands that reach outside the program (the clipboard, the
// browser, the "origin" remote) and its checkout of the selected commit.

#include "state/state.hpp"
#include "repo/git_cli.hpp"
#include "repo/repo.hpp"

#include <expected>
#include <string>
#include <string_view>
#include <utility>

namespace action {

// y: the selected commit's id to the first clipboard program that takes it.
void copy_commit_id(state::State& state, const repo::Repo& repo);
// o: the selected commit's page on the service hosting "origin".
void open_commit_page(state::State& state, const repo::Repo& repo);
// f: fetches every remote in the background, one fetch at a time.
void start_fetch(state::State& state, const repo::Repo& repo);
// c: the checkout prompt, or a detached checkout at once when no local
// branch is at the selected commit.
void checkout_from_log(state::State& state, repo::Repo& repo);
// p: the push prompt, filled with the first local branch at the commit.
void open_push_prompt(state::State& state, const repo::Repo& repo);

// The work of the background threads: one git run and its one result.
state::FetchResult fetch_worker(const std::string& repo_path);
state::PushResult push_worker(const std::string& branch, const std::string& repo_path);

// False for a text that git push would read as something other than a
// branch: an option ("-d"), a forced push ("+main"), a refspec ("a:b",
// ":main" deletes) or a pattern.
bool is_pushable_name(std::string_view text);

// A worker's result from its git run: the success text and a reload, or the
// failure text behind the prefix.
template <class Result>
Result git_run_result(const std::expected<void, repo::GitFailure>& run, std::string done,
                      std::string_view failed_prefix) {
  if (run) return Result{std::move(done), true};
  return Result{std::string(failed_prefix) + run.error().message, false};
}

}  // namespace action
