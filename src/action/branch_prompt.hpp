#pragma once
// The branch-name prompts' one implementation. The create-branch,
// delete-branch, checkout and push prompts each give their text, their flag,
// where Tab finds names and what Enter does (BranchPrompt); run_branch_prompt
// does the rest: typing, Backspace, Esc, Enter and the tab-completion cycle.
// The rebase target prompt and the branch choices of rebase and move use the
// pieces below it.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "action/action.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"

namespace action {

// Opening a prompt from the log: the last status message goes, the flag
// goes on and the completion cycle starts afresh. The prompt's text is the
// caller's to set.
void open_prompt(state::State& state, bool& open);

struct BranchPrompt {
  std::string& text;
  bool& open;
  // Tab completes among these names at the selected commit.
  std::vector<std::string> (repo::Repo::*candidates)(const repo::Oid&) const;
  // Enter on an empty text: false closes the prompt, true confirms it.
  bool empty_confirms = false;
  // Enter without a selected commit: true leaves the text for later.
  bool needs_commit = true;
  // What Enter does with the text, given the selected commit (null only when
  // the prompt does not need one); the prompt closes after it.
  std::function<void(const repo::Commit*)> confirm;
};

// One key of the prompt.
void run_branch_prompt(const Action& action, state::State& state, const repo::Repo& repo,
                       const BranchPrompt& prompt);

// The shared pieces.

// Whether the typed name is a branch at the commit, as delete and checkout
// require; otherwise the status says "no '{name}' branch".
bool names_branch_at(state::State& state, const repo::Repo& repo, const std::string& name,
                     const repo::Oid& id);

void end_completion(state::State& state);

// One Tab: the text completes among the candidates and the cycle moves on.
void complete_branch(state::State& state, std::string& text, const std::vector<std::string>& candidates);

// Types the key's character, removes one with Backspace (closing the prompt
// on an empty text), ignores the keys that type nothing. Returns false for
// Esc, Ctrl-c, Enter and Tab, which are left to the prompt.
bool edit_branch_prompt(const Action& action, state::State& state, std::string& text, bool& open);

// Tab in a branch choice: the name after the chosen one in the list,
// wrapping; the second when the chosen one is not listed (it counts as the
// first). Nothing from an empty list.
std::optional<std::string> next_branch_choice(const std::vector<std::string>& branches,
                                              const std::string& chosen);

// One Tab of a branch-name prompt: the new text and the completion state to
// keep for the next Tab.
struct TabCompletion {
  std::string text;
  std::optional<std::string> prefix;
  std::size_t index = 0;
  friend bool operator==(const TabCompletion&, const TabCompletion&) = default;
};
TabCompletion tab_complete_branch(const std::string& input, const std::vector<std::string>& candidates,
                                  const std::optional<std::string>& prefix, std::size_t index);

}  // namespace action
