#pragma once
// The command value of one key press, the key map that makes it, and the
// dispatcher that hands it to the handler of the current mode.

#include "app/state.hpp"
#include "repo/repo.hpp"
#include "tui/event.hpp"
#include "tui/terminal.hpp"

#include <cstdint>
#include <optional>

namespace action {

struct Action {
  enum Kind : std::uint8_t {
    Escape,
    Interrupt,
    Confirm,
    Space,
    Tab,
    Up,
    Down,
    Backspace,
    StartSearch,
    Quit,
    NextMatch,
    PrevMatch,
    MoveDown,
    ShiftJ,
    MoveUp,
    ShiftK,
    GoTop,
    GoBottom,
    GoHead,
    Yank,
    Open,
    OpenDetails,
    CreateBranch,
    Checkout,
    Delete,
    Rebase,
    Revert,
    Push,
    HalfPageDown,
    HalfPageUp,
    FocusLeft,
    FocusRight,
    FocusDown,
    FocusUp,
    StageAll,
    UnstageAll,
    MoveBranch,
    Fetch,
    Digit,
    Char,
    NoAction,
  };

  Kind kind = NoAction;
  char32_t ch = 0;  // Digit and Char only

  constexpr Action() = default;
  constexpr Action(Kind k, char32_t c = 0) : kind(k), ch(c) {}
  friend constexpr bool operator==(const Action&, const Action&) = default;

  // The character a prompt inserts for this key; nothing for the keys that
  // type nothing (Esc, Ctrl keys, arrows, Enter, Tab, Backspace, NoAction).
  std::optional<char32_t> typed_char() const;

  // Hands the command to the handler of the current mode; true when the
  // program is to end.
  bool execute(state::State& state, repo::Repo& repo, tui::Terminal& terminal) const;
};

// The key map: a key event becomes one command; nothing for other events.
std::optional<Action> from_event(const tui::Event& event);
Action from_key(const tui::KeyEvent& key);

}  // namespace action
