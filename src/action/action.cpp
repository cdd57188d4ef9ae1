#include "action/action.hpp"

#include "action/tmux.hpp"

namespace action {

bool Action::execute(state::State& state, repo::Repo& repo, tui::Terminal& terminal) const {
  if (state.commit_view) {
    execute_commit_view_mode(state, repo, terminal);
    return false;
  }

  switch (kind) {
    case FocusLeft:
      select_tmux_pane(PaneDirection::Left);
      return false;
    case FocusRight:
      select_tmux_pane(PaneDirection::Right);
      return false;
    case FocusDown:
      select_tmux_pane(PaneDirection::Down);
      return false;
    case FocusUp:
      select_tmux_pane(PaneDirection::Up);
      return false;
    default:
      break;
  }

  if (state.searching) {
    execute_search_mode(state, repo, terminal);
    return false;
  }
  if (state.creating_branch) {
    execute_create_branch_mode(state, repo);
    return false;
  }
  if (state.deleting_branch) {
    execute_delete_branch_mode(state, repo);
    return false;
  }
  if (state.checking_out) {
    execute_checkout_mode(state, repo);
    return false;
  }
  if (state.rebase_in_progress) {
    execute_rebase_in_progress_mode(state, repo);
    return false;
  }
  if (state.selecting_rebase_branch) {
    execute_rebase_branch_selection_mode(state, repo);
    return false;
  }
  if (state.entering_rebase_target) {
    execute_rebase_target_mode(state, repo);
    return false;
  }
  if (state.confirming_revert) {
    execute_revert_confirmation_mode(state, repo);
    return false;
  }
  if (state.entering_push_branch) {
    execute_push_mode(state, repo);
    return false;
  }
  if (state.selecting_move_branch) {
    execute_move_branch_selection_mode(state, repo);
    return false;
  }
  if (state.selecting_move_target) {
    execute_move_target_mode(state, repo.commits.size());
    return false;
  }
  if (state.confirming_move) {
    execute_move_confirmation_mode(state, repo);
    return false;
  }

  return execute_normal_mode(state, repo, terminal);
}

std::optional<char32_t> Action::typed_char() const {
  switch (kind) {
    case Space: return U' ';
    case StartSearch: return U'/';
    case Quit: return U'q';
    case NextMatch: return U'n';
    case PrevMatch: return U'N';
    case MoveDown: return U'j';
    case ShiftJ: return U'J';
    case MoveUp: return U'k';
    case ShiftK: return U'K';
    case GoTop: return U'g';
    case GoBottom: return U'G';
    case GoHead: return U'h';
    case Yank: return U'y';
    case Open: return U'o';
    case OpenDetails: return U'l';
    case CreateBranch: return U'b';
    case Checkout: return U'c';
    case Delete: return U'd';
    case Rebase: return U'r';
    case Revert: return U'R';
    case Push: return U'p';
    case StageAll: return U'S';
    case UnstageAll: return U'U';
    case MoveBranch: return U'm';
    case Fetch: return U'f';
    case Digit:
    case Char: return ch;
    default: return std::nullopt;
  }
}

}  // namespace action
