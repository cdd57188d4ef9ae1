#include "action/action.hpp"
#include "action/branch_prompt.hpp"

#include <algorithm>

namespace action {

namespace {

void create_branch(state::State& state, repo::Repo& repo, const repo::Commit& commit) {
  const std::string& name = state.create_branch_input;
  if (auto created = repo.create_branch(name, commit.id))
    state.set_status("created " + name);
  else
    state.set_status(created.error());
}

void delete_branch(state::State& state, repo::Repo& repo, const repo::Commit& commit) {
  const std::string& name = state.delete_branch_input;
  const auto it = repo.branches.find(repo::BranchName{name});
  if (it == repo.branches.end() || it->second != commit.id) {
    state.set_status("no '" + name + "' branch");
    return;
  }
  if (auto deleted = repo.delete_branch(name, commit.id)) {
    state.set_status("deleted " + name);
  } else if (deleted.error().find("current HEAD") != std::string::npos) {
    state.set_status("can't delete current branch");
  } else {
    state.set_status(deleted.error());
  }
}

// One branch-name prompt: its text, its flag, where Tab finds names and what
// Enter does with the name at the selected commit.
struct BranchPrompt {
  std::string& text;
  bool& open;
  std::vector<std::string> (*candidates)(const repo::Repo&, const repo::Oid&);
  void (*confirm)(state::State&, repo::Repo&, const repo::Commit&);
};

void close_prompt(state::State& state, const BranchPrompt& prompt) {
  close_branch_prompt(state, prompt.text, prompt.open);
}

void run_branch_prompt(const Action& action, state::State& state, repo::Repo& repo, const BranchPrompt& prompt) {
  if (edit_branch_prompt(action, state, prompt.text, prompt.open)) return;
  const repo::Commit* commit = state::selected_commit(state, repo);
  switch (action.kind) {
    case Action::Escape:
    case Action::Interrupt:
      close_prompt(state, prompt);
      return;
    case Action::Confirm:
      if (prompt.text.empty()) {
        close_prompt(state, prompt);
        return;
      }
      // Without a commit to put the branch on, the text stays for later.
      if (!commit) return;
      prompt.confirm(state, repo, *commit);
      close_prompt(state, prompt);
      return;
    case Action::Tab:
      if (commit) complete_branch(state, prompt.text, prompt.candidates(repo, commit->id));
      return;
    default:
      return;
  }
}

}  // namespace

TabCompletion tab_complete_branch(const std::string& input, const std::vector<std::string>& candidates,
                                  const std::optional<std::string>& prefix, std::size_t index) {
  std::vector<std::string> matches = state::matching_candidates(prefix ? *prefix : input, candidates);
  if (matches.empty()) return {input, std::nullopt, 0};
  std::ranges::sort(matches);
  if (prefix) return {matches[index % matches.size()], prefix, index + 1};
  const std::string_view shared = state::common_prefix(matches);
  if (shared.size() > input.size()) return {std::string(shared), std::nullopt, 0};
  if (matches.size() == 1) return {matches.front(), std::nullopt, 0};
  return {matches.front(), input, 1};
}

void Action::execute_create_branch_mode(state::State& state, repo::Repo& repo) const {
  run_branch_prompt(*this, state, repo,
                    {state.create_branch_input, state.creating_branch,
                     [](const repo::Repo& r, const repo::Oid& id) { return r.new_branch_name_candidates_at(id); },
                     create_branch});
}

void Action::execute_delete_branch_mode(state::State& state, repo::Repo& repo) const {
  run_branch_prompt(*this, state, repo,
                    {state.delete_branch_input, state.deleting_branch,
                     [](const repo::Repo& r, const repo::Oid& id) { return r.local_branches_at(id); },
                     delete_branch});
}

}  // namespace action
