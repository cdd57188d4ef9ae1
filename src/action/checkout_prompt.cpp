#include "action/action.hpp"
#include "action/branch_prompt.hpp"
#include "action/commit_commands.hpp"

namespace action {

namespace {

// The id is a copy: a checkout reloads the log under any reference into it.
void checkout_detached(state::State& state, repo::Repo& repo, const repo::Oid id) {
  if (auto done = repo.checkout_sha(id))
    state.set_status("checked out " + id.short_hex());
  else
    state.set_status(done.error());
}

void checkout_named(state::State& state, repo::Repo& repo, const repo::Oid id) {
  const std::string name = state.checkout_input;
  if (name.empty()) {
    checkout_detached(state, repo, id);
    return;
  }
  const auto it = repo.branches.find(repo::BranchName{name});
  if (it == repo.branches.end() || it->second != id) {
    state.set_status("no '" + name + "' branch");
    return;
  }
  if (auto done = repo.checkout_branch(name))
    state.set_status("checked out " + name);
  else
    state.set_status(done.error());
}

}  // namespace

void checkout_from_log(state::State& state, repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  if (repo.local_branches_at(commit->id).empty()) {
    checkout_detached(state, repo, commit->id);
    return;
  }
  state.status_message.reset();
  state.checking_out = true;
  state.checkout_input.clear();
  end_completion(state);
}

void Action::execute_checkout_mode(state::State& state, repo::Repo& repo) const {
  if (edit_branch_prompt(*this, state, state.checkout_input, state.checking_out)) return;
  const repo::Commit* commit = state::selected_commit(state, repo);
  switch (kind) {
    case Escape:
    case Interrupt:
      close_branch_prompt(state, state.checkout_input, state.checking_out);
      return;
    case Confirm:
      if (!commit) return;
      checkout_named(state, repo, commit->id);
      close_branch_prompt(state, state.checkout_input, state.checking_out);
      return;
    case Tab:
      if (commit) complete_branch(state, state.checkout_input, repo.local_branches_at(commit->id));
      return;
    default:
      return;
  }
}

}  // namespace action
