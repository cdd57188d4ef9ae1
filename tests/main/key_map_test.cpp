#include "main/key_map.hpp"

#include <gtest/gtest.h>

#include <optional>

#include "action/action.hpp"

namespace {

using action::Action;
using tui::KeyCode;
using tui::KeyEvent;
using tui::KeyModifiers;

constexpr KeyModifiers CTRL = KeyModifiers::CONTROL;
constexpr KeyModifiers ALT = KeyModifiers::ALT;
constexpr KeyModifiers SHIFT = KeyModifiers::SHIFT;

struct KeyCase {
  KeyEvent key;
  Action want;
  std::optional<char32_t> typed;  // what a prompt inserts for it
};

TEST(KeyMap, EveryKeyBecomesOneCommand) {
  const KeyCase cases[] = {
      // Keys with codes of their own.
      {KeyEvent::key(KeyCode::Esc), Action::Escape, std::nullopt},
      {KeyEvent::key(KeyCode::Enter), Action::Confirm, std::nullopt},
      {KeyEvent::key(KeyCode::Tab), Action::Tab, std::nullopt},
      {KeyEvent::key(KeyCode::Up), Action::Up, std::nullopt},
      {KeyEvent::key(KeyCode::Down), Action::Down, std::nullopt},
      {KeyEvent::key(KeyCode::Backspace), Action::Backspace, std::nullopt},
      {KeyEvent::key(KeyCode::Up, CTRL), Action::Up, std::nullopt},
      // Every other key code does nothing.
      {KeyEvent::key(KeyCode::BackTab, SHIFT), Action::NoAction, std::nullopt},
      {KeyEvent::key(KeyCode::Left), Action::NoAction, std::nullopt},
      {KeyEvent::key(KeyCode::Right), Action::NoAction, std::nullopt},
      {KeyEvent::key(KeyCode::PageUp), Action::NoAction, std::nullopt},
      {KeyEvent::key(KeyCode::PageDown), Action::NoAction, std::nullopt},
      {KeyEvent::key(KeyCode::Home), Action::NoAction, std::nullopt},
      {KeyEvent::key(KeyCode::End), Action::NoAction, std::nullopt},
      {KeyEvent::key(KeyCode::Insert), Action::NoAction, std::nullopt},
      {KeyEvent::key(KeyCode::Delete), Action::NoAction, std::nullopt},
      {KeyEvent::function(1), Action::NoAction, std::nullopt},
      {KeyEvent::function(12, CTRL), Action::NoAction, std::nullopt},
      // The letters of the table.
      {KeyEvent::character(U' '), Action::Space, U' '},
      {KeyEvent::character(U'/'), Action::StartSearch, U'/'},
      {KeyEvent::character(U'q'), Action::Quit, U'q'},
      {KeyEvent::character(U'n'), Action::NextMatch, U'n'},
      {KeyEvent::character(U'N', SHIFT), Action::PrevMatch, U'N'},
      {KeyEvent::character(U'j'), Action::MoveDown, U'j'},
      {KeyEvent::character(U'J', SHIFT), Action::ShiftJ, U'J'},
      {KeyEvent::character(U'k'), Action::MoveUp, U'k'},
      {KeyEvent::character(U'K'), Action::ShiftK, U'K'},
      {KeyEvent::character(U'g'), Action::GoTop, U'g'},
      {KeyEvent::character(U'G'), Action::GoBottom, U'G'},
      {KeyEvent::character(U'h'), Action::GoHead, U'h'},
      {KeyEvent::character(U'y'), Action::Yank, U'y'},
      {KeyEvent::character(U'o'), Action::Open, U'o'},
      {KeyEvent::character(U'l'), Action::OpenDetails, U'l'},
      {KeyEvent::character(U'b'), Action::CreateBranch, U'b'},
      {KeyEvent::character(U'c'), Action::Checkout, U'c'},
      {KeyEvent::character(U'd'), Action::Delete, U'd'},
      {KeyEvent::character(U'r'), Action::Rebase, U'r'},
      {KeyEvent::character(U'R'), Action::Revert, U'R'},
      {KeyEvent::character(U'p'), Action::Push, U'p'},
      {KeyEvent::character(U'S'), Action::StageAll, U'S'},
      {KeyEvent::character(U'U'), Action::UnstageAll, U'U'},
      {KeyEvent::character(U'm'), Action::MoveBranch, U'm'},
      {KeyEvent::character(U'f'), Action::Fetch, U'f'},
      // The staging view's unstage key has no log command.
      {KeyEvent::character(U'u'), Action(Action::Char, U'u'), U'u'},
      // Digits carry themselves; 0 is a digit like the others.
      {KeyEvent::character(U'0'), Action(Action::Digit, U'0'), U'0'},
      {KeyEvent::character(U'1'), Action(Action::Digit, U'1'), U'1'},
      {KeyEvent::character(U'9', CTRL), Action(Action::Digit, U'9'), U'9'},
      // Any other character is typed.
      {KeyEvent::character(U'D'), Action(Action::Char, U'D'), U'D'},
      {KeyEvent::character(U's'), Action(Action::Char, U's'), U's'},
      {KeyEvent::character(U'a'), Action(Action::Char, U'a'), U'a'},
      {KeyEvent::character(U'?'), Action(Action::Char, U'?'), U'?'},
      {KeyEvent::character(U'é'), Action(Action::Char, U'é'), U'é'},
      {KeyEvent::character(U'漢'), Action(Action::Char, U'漢'), U'漢'},
      // The seven Ctrl letters that mean something else.
      {KeyEvent::character(U'c', CTRL), Action::Interrupt, std::nullopt},
      {KeyEvent::character(U'd', CTRL), Action::HalfPageDown, std::nullopt},
      {KeyEvent::character(U'u', CTRL), Action::HalfPageUp, std::nullopt},
      {KeyEvent::character(U'h', CTRL), Action::FocusLeft, std::nullopt},
      {KeyEvent::character(U'l', CTRL), Action::FocusRight, std::nullopt},
      {KeyEvent::character(U'j', CTRL), Action::FocusDown, std::nullopt},
      {KeyEvent::character(U'k', CTRL), Action::FocusUp, std::nullopt},
      {KeyEvent::character(U'c', CTRL | ALT), Action::Interrupt, std::nullopt},
      // Ctrl with any other key acts as the key alone.
      {KeyEvent::character(U'q', CTRL), Action::Quit, U'q'},
      {KeyEvent::character(U'g', CTRL), Action::GoTop, U'g'},
      {KeyEvent::character(U'b', CTRL), Action::CreateBranch, U'b'},
      {KeyEvent::character(U'a', CTRL), Action(Action::Char, U'a'), U'a'},
      {KeyEvent::character(U'C', CTRL | SHIFT), Action(Action::Char, U'C'), U'C'},
      {KeyEvent::character(U' ', CTRL), Action::Space, U' '},
      // Alt is never looked at.
      {KeyEvent::character(U'j', ALT), Action::MoveDown, U'j'},
      {KeyEvent::character(U'q', ALT), Action::Quit, U'q'},
      {KeyEvent::character(U'x', ALT), Action(Action::Char, U'x'), U'x'},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.key));
    const Action got = app::from_key(c.key);
    EXPECT_EQ(got.kind, c.want.kind);
    EXPECT_EQ(got.ch, c.want.ch);
    EXPECT_EQ(got.typed_char(), c.typed);
    EXPECT_EQ(app::from_event(tui::Event{c.key}), got);
  }
}

TEST(KeyMap, OtherEventsAreNoCommand) {
  EXPECT_EQ(app::from_event(tui::Event{tui::ResizeEvent{80, 24}}), std::nullopt);
  EXPECT_EQ(app::from_event(tui::Event{tui::OtherEvent{}}), std::nullopt);
  // Nothing of a paste is typed or run.
  EXPECT_EQ(app::from_event(tui::Event{tui::PasteEvent{}}), std::nullopt);
}

}  // namespace
