#include "action/delete_branch_prompt.hpp"

#include "action/action.hpp"
#include "action/branch_prompt.hpp"

namespace action {

namespace {

void delete_branch(state::State& state, repo::Repo& repo, const repo::Commit& commit) {
  const std::string& name = state.delete_branch_input;
  if (!names_branch_at(state, repo, name, commit.id)) return;
  if (auto deleted = repo.delete_branch(name, commit.id)) {
    state.set_status("deleted " + name);
  } else if (deleted.error().find("current HEAD") != std::string::npos) {
    state.set_status("can't delete current branch");
  } else {
    state.set_status(deleted.error());
  }
}

}  // namespace

void open_delete_prompt(state::State& state, const repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  if (repo.local_branches_at(commit->id).empty()) {
    state.set_status("no local branches on this commit");
    return;
  }
  state.delete_branch_input.clear();
  open_prompt(state, state.deleting_branch);
}

void Action::execute_delete_branch_mode(state::State& state, repo::Repo& repo) const {
  run_branch_prompt(*this, state, repo,
                    {.text = state.delete_branch_input,
                     .open = state.deleting_branch,
                     .candidates = &repo::Repo::local_branches_at,
                     .confirm = [&](const repo::Commit* commit) { delete_branch(state, repo, *commit); }});
}

}  // namespace action
