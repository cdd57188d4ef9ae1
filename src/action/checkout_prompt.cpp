#include "action/checkout_prompt.hpp"

#include "action/action.hpp"
#include "action/branch_prompt.hpp"

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
  if (!names_branch_at(state, repo, name, id)) return;
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
  state.checkout_input.clear();
  open_prompt(state, state.checking_out);
}

void Action::execute_checkout_mode(state::State& state, repo::Repo& repo) const {
  run_branch_prompt(
      *this, state, repo,
      {.text = state.checkout_input,
       .open = state.checking_out,
       .candidates = &repo::Repo::local_branches_at,
       .empty_confirms = true,
       .confirm = [&](const repo::Commit* commit) { checkout_named(state, repo, commit->id); }});
}

}  // namespace action
