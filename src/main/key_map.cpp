#include "main/key_map.hpp"

namespace app {

using action::Action;

namespace {

Action from_char(char32_t c, bool ctrl) {
  if (ctrl) {
    switch (c) {
      case U'c': return Action::Interrupt;
      case U'd': return Action::HalfPageDown;
      case U'h': return Action::FocusLeft;
      case U'j': return Action::FocusDown;
      case U'k': return Action::FocusUp;
      case U'l': return Action::FocusRight;
      case U'u': return Action::HalfPageUp;
      default: break;  // any other Ctrl letter acts as the plain letter
    }
  }
  switch (c) {
    case U' ': return Action::Space;
    case U'/': return Action::StartSearch;
    case U'q': return Action::Quit;
    case U'n': return Action::NextMatch;
    case U'N': return Action::PrevMatch;
    case U'j': return Action::MoveDown;
    case U'J': return Action::ShiftJ;
    case U'k': return Action::MoveUp;
    case U'K': return Action::ShiftK;
    case U'g': return Action::GoTop;
    case U'G': return Action::GoBottom;
    case U'h': return Action::GoHead;
    case U'y': return Action::Yank;
    case U'o': return Action::Open;
    case U'l': return Action::OpenDetails;
    case U'b': return Action::CreateBranch;
    case U'c': return Action::Checkout;
    case U'd': return Action::Delete;
    case U'r': return Action::Rebase;
    case U'R': return Action::Revert;
    case U'p': return Action::Push;
    case U'S': return Action::StageAll;
    case U'U': return Action::UnstageAll;
    case U'm': return Action::MoveBranch;
    case U'f': return Action::Fetch;
    default: break;
  }
  if (c >= U'0' && c <= U'9') return Action(Action::Digit, c);
  return Action(Action::Char, c);
}

}  // namespace

Action from_key(const tui::KeyEvent& key) {
  using tui::KeyCode;
  switch (key.code) {
    case KeyCode::Esc: return Action::Escape;
    case KeyCode::Enter: return Action::Confirm;
    case KeyCode::Tab: return Action::Tab;
    case KeyCode::Up: return Action::Up;
    case KeyCode::Down: return Action::Down;
    case KeyCode::Backspace: return Action::Backspace;
    case KeyCode::Char: return from_char(key.ch, tui::contains(key.modifiers, tui::KeyModifiers::CONTROL));
    default: return Action::NoAction;
  }
}

std::optional<Action> from_event(const tui::Event& event) {
  if (const auto* key = std::get_if<tui::KeyEvent>(&event)) return from_key(*key);
  return std::nullopt;
}

}  // namespace app
