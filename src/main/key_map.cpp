#include "main/key_map.hpp"

namespace app {

using action::Action;

namespace {

Action from_char(char32_t c, bool ctrl) {
  if (ctrl) {
    switch (c) {
      case U'c':
        return Action::Interrupt;
      case U'd':
        return Action::HalfPageDown;
      case U'h':
        return Action::FocusLeft;
      case U'j':
        return Action::FocusDown;
      case U'k':
        return Action::FocusUp;
      case U'l':
        return Action::FocusRight;
      case U'u':
        return Action::HalfPageUp;
      default:
        break;  // any other Ctrl letter acts as the plain letter
    }
  }
  for (const action::CharacterKey& key : action::CHARACTER_KEYS)
    if (key.key == c) return key.kind;
  if (c >= U'0' && c <= U'9') return Action(Action::Digit, c);
  return Action(Action::Char, c);
}

}  // namespace

Action from_key(const tui::KeyEvent& key) {
  using tui::KeyCode;
  switch (key.code) {
    case KeyCode::Esc:
      return Action::Escape;
    case KeyCode::Enter:
      return Action::Confirm;
    case KeyCode::Tab:
      return Action::Tab;
    case KeyCode::Up:
      return Action::Up;
    case KeyCode::Down:
      return Action::Down;
    case KeyCode::Backspace:
      return Action::Backspace;
    case KeyCode::Char:
      return from_char(key.ch, tui::contains(key.modifiers, tui::KeyModifiers::CONTROL));
    default:
      return Action::NoAction;
  }
}

std::optional<Action> from_event(const tui::Event& event) {
  if (const auto* key = std::get_if<tui::KeyEvent>(&event)) return from_key(*key);
  return std::nullopt;
}

}  // namespace app
