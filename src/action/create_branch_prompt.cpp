#include "action/create_branch_prompt.hpp"

#include "action/action.hpp"
#include "action/branch_prompt.hpp"

namespace action {

namespace {

void create_branch(state::State& state, repo::Repo& repo, const repo::Commit& commit) {
  const std::string& name = state.create_branch_input;
  if (auto created = repo.create_branch(name, commit.id))
    state.set_status("created " + name);
  else
    state.set_status(created.error());
}

}  // namespace

void open_create_prompt(state::State& state) {
  state.create_branch_input.clear();
  open_prompt(state, state.creating_branch);
}

void Action::execute_create_branch_mode(state::State& state, repo::Repo& repo) const {
  run_branch_prompt(*this, state, repo,
                    {.text = state.create_branch_input,
                     .open = state.creating_branch,
                     .candidates = &repo::Repo::new_branch_name_candidates_at,
                     .confirm = [&](const repo::Commit* commit) { create_branch(state, repo, *commit); }});
}

}  // namespace action
