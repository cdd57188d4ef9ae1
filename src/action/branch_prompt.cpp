#include "action/branch_prompt.hpp"

#include <algorithm>

#include "action/prompt_text.hpp"

namespace action {

namespace {

// The prompt's flag off, its text emptied, the completion cycle over.
void close_prompt(state::State& state, const BranchPrompt& prompt) {
  prompt.open = false;
  prompt.text.clear();
  end_completion(state);
}

}  // namespace

void open_prompt(state::State& state, bool& open) {
  state.status_message.reset();
  open = true;
  end_completion(state);
}

void run_branch_prompt(const Action& action, state::State& state, const repo::Repo& repo,
                       const BranchPrompt& prompt) {
  if (edit_branch_prompt(action, state, prompt.text, prompt.open)) return;
  const repo::Commit* commit = state::selected_commit(state, repo);
  switch (action.kind) {
    case Action::Escape:
    case Action::Interrupt:
      close_prompt(state, prompt);
      return;
    case Action::Confirm:
      if (prompt.text.empty() && !prompt.empty_confirms) {
        close_prompt(state, prompt);
        return;
      }
      if (!commit && prompt.needs_commit) return;
      prompt.confirm(commit);
      close_prompt(state, prompt);
      return;
    case Action::Tab:
      if (commit) complete_branch(state, prompt.text, (repo.*prompt.candidates)(commit->id));
      return;
    default:
      return;
  }
}

bool names_branch_at(state::State& state, const repo::Repo& repo, const std::string& name,
                     const repo::Oid& id) {
  const auto it = repo.branches.find(repo::BranchName{name});
  if (it != repo.branches.end() && it->second == id) return true;
  state.set_status("no '" + name + "' branch");
  return false;
}

void end_completion(state::State& state) {
  state.completion_prefix.reset();
  state.completion_index = 0;
}

void complete_branch(state::State& state, std::string& text, const std::vector<std::string>& candidates) {
  TabCompletion done = tab_complete_branch(text, candidates, state.completion_prefix, state.completion_index);
  text = std::move(done.text);
  state.completion_prefix = std::move(done.prefix);
  state.completion_index = done.index;
}

bool edit_branch_prompt(const Action& action, state::State& state, std::string& text, bool& open) {
  switch (action.kind) {
    case Action::Backspace:
      end_completion(state);
      if (text.empty())
        open = false;
      else
        remove_last_char(text);
      return true;
    case Action::Up:
    case Action::Down:
    case Action::HalfPageDown:
    case Action::HalfPageUp:
    case Action::NoAction:
      return true;
    case Action::Escape:
    case Action::Interrupt:
    case Action::Confirm:
    case Action::Tab:
      return false;
    default:
      break;
  }
  if (const auto c = action.typed_char()) {
    end_completion(state);
    append_char(text, *c);
  }
  return true;
}

std::optional<std::string> next_branch_choice(const std::vector<std::string>& branches,
                                              const std::string& chosen) {
  if (branches.empty()) return std::nullopt;
  const auto it = std::ranges::find(branches, chosen);
  const std::size_t place = it == branches.end() ? 0 : static_cast<std::size_t>(it - branches.begin());
  return branches[(place + 1) % branches.size()];
}

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

}  // namespace action
