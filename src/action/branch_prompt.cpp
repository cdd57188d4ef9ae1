#include "action/branch_prompt.hpp"

#include "action/prompt_text.hpp"

#include <algorithm>

namespace action {

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

std::optional<std::string> next_branch_choice(const std::vector<std::string>& branches, const std::string& chosen) {
  if (branches.empty()) return std::nullopt;
  const auto it = std::ranges::find(branches, chosen);
  const std::size_t place = it == branches.end() ? 0 : static_cast<std::size_t>(it - branches.begin());
  return branches[(place + 1) % branches.size()];
}

void close_branch_prompt(state::State& state, std::string& text, bool& open) {
  open = false;
  text.clear();
  end_completion(state);
}

}  // namespace action
