#include "action/action.hpp"

#include "action/tmux.hpp"

namespace action {

namespace {

std::optional<PaneDirection> pane_direction(Action::Kind kind) {
  switch (kind) {
    case Action::FocusLeft:
      return PaneDirection::Left;
    case Action::FocusRight:
      return PaneDirection::Right;
    case Action::FocusDown:
      return PaneDirection::Down;
    case Action::FocusUp:
      return PaneDirection::Up;
    default:
      return std::nullopt;
  }
}

}  // namespace

bool Action::execute(state::State& state, repo::Repo& repo, tui::Terminal& terminal) const {
  using state::Mode;
  const Mode mode = state::mode_of(state);
  // The staging view has Ctrl-h/j/k/l for its own lists.
  if (const auto direction = pane_direction(kind); direction && mode != Mode::CommitView) {
    select_tmux_pane(*direction);
    return false;
  }
  switch (mode) {
    case Mode::CommitView:
      execute_commit_view_mode(state, repo, terminal);
      return false;
    case Mode::Search:
      execute_search_mode(state, repo, terminal);
      return false;
    case Mode::CreateBranch:
      execute_create_branch_mode(state, repo);
      return false;
    case Mode::DeleteBranch:
      execute_delete_branch_mode(state, repo);
      return false;
    case Mode::Checkout:
      execute_checkout_mode(state, repo);
      return false;
    case Mode::RebaseInProgress:
      execute_rebase_in_progress_mode(state, repo);
      return false;
    case Mode::RebaseBranchSelection:
      execute_rebase_branch_selection_mode(state, repo);
      return false;
    case Mode::RebaseTarget:
      execute_rebase_target_mode(state, repo);
      return false;
    case Mode::RevertConfirmation:
      execute_revert_confirmation_mode(state, repo);
      return false;
    case Mode::Push:
      execute_push_mode(state, repo);
      return false;
    case Mode::MoveBranchSelection:
      execute_move_branch_selection_mode(state, repo);
      return false;
    case Mode::MoveTarget:
      execute_move_target_mode(state, repo.commits.size());
      return false;
    case Mode::MoveConfirmation:
      execute_move_confirmation_mode(state, repo);
      return false;
    case Mode::Log:
      return execute_normal_mode(state, repo, terminal);
  }
  return false;
}

std::optional<char32_t> Action::typed_char() const {
  if (kind == Digit || kind == Char) return ch;
  for (const CharacterKey& key : CHARACTER_KEYS)
    if (key.kind == kind) return key.key;
  return std::nullopt;
}

}  // namespace action
