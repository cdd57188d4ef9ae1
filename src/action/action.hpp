#pragma once
// The command value of one key press and the dispatcher that hands it to the
// handler of the current mode. The command names are the log view's
// meanings; what each means in the other modes is in the tables of
// main/key_map.hpp.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/event.hpp"
#include "tui/terminal.hpp"

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

  // ---- The command value and the dispatcher (action.cpp) ----

  // The character a prompt inserts for this key; nothing for the keys that
  // type nothing (Esc, Ctrl keys, arrows, Enter, Tab, Backspace, NoAction).
  std::optional<char32_t> typed_char() const;

  // Hands the command to the handler of the current mode (state::mode_of);
  // true when the program is to end. Ctrl-h/j/k/l outside the staging view
  // move between tmux panes and go no further.
  bool execute(state::State& state, repo::Repo& repo, tui::Terminal& terminal) const;

  // The handlers of the modes, one file each. Only the log view can end the
  // program.

  // ---- The log view and its details panel (log_view.cpp) ----
  bool execute_normal_mode(state::State& state, repo::Repo& repo, tui::Terminal& terminal) const;
  // ---- The search prompt (search_prompt.cpp) ----
  void execute_search_mode(state::State& state, const repo::Repo& repo, tui::Terminal& terminal) const;
  // ---- The create-branch prompt (create_branch_prompt.cpp) ----
  void execute_create_branch_mode(state::State& state, repo::Repo& repo) const;
  // ---- The delete-branch prompt (delete_branch_prompt.cpp) ----
  void execute_delete_branch_mode(state::State& state, repo::Repo& repo) const;
  // ---- The staging view (commit_view.cpp) ----
  void execute_commit_view_mode(state::State& state, repo::Repo& repo, tui::Terminal& terminal) const;
  // ---- The checkout prompt (checkout_prompt.cpp) ----
  void execute_checkout_mode(state::State& state, repo::Repo& repo) const;
  // ---- The rebase: branch choice, target prompt, stopped rebase (rebase.cpp) ----
  void execute_rebase_in_progress_mode(state::State& state, repo::Repo& repo) const;
  void execute_rebase_branch_selection_mode(state::State& state, const repo::Repo& repo) const;
  void execute_rebase_target_mode(state::State& state, repo::Repo& repo) const;
  // ---- The revert confirmation (revert.cpp) ----
  void execute_revert_confirmation_mode(state::State& state, repo::Repo& repo) const;
  // ---- The push prompt (push_prompt.cpp) ----
  void execute_push_mode(state::State& state, const repo::Repo& repo) const;
  // ---- The branch move: branch choice, target, confirmation (move_branch.cpp) ----
  void execute_move_branch_selection_mode(state::State& state, const repo::Repo& repo) const;
  void execute_move_target_mode(state::State& state, std::size_t loaded_commits) const;
  void execute_move_confirmation_mode(state::State& state, repo::Repo& repo) const;
};

// The character keys that give a command of their own. The key map reads it
// from character to command, Action::typed_char from command back to the
// character a prompt types; every other character gives Digit or Char.
struct CharacterKey {
  char32_t key;
  Action::Kind kind;
};
inline constexpr CharacterKey CHARACTER_KEYS[] = {
    {U' ', Action::Space},        {U'/', Action::StartSearch}, {U'q', Action::Quit},
    {U'n', Action::NextMatch},    {U'N', Action::PrevMatch},   {U'j', Action::MoveDown},
    {U'J', Action::ShiftJ},       {U'k', Action::MoveUp},      {U'K', Action::ShiftK},
    {U'g', Action::GoTop},        {U'G', Action::GoBottom},    {U'h', Action::GoHead},
    {U'y', Action::Yank},         {U'o', Action::Open},        {U'l', Action::OpenDetails},
    {U'b', Action::CreateBranch}, {U'c', Action::Checkout},    {U'd', Action::Delete},
    {U'r', Action::Rebase},       {U'R', Action::Revert},      {U'p', Action::Push},
    {U'S', Action::StageAll},     {U'U', Action::UnstageAll},  {U'm', Action::MoveBranch},
    {U'f', Action::Fetch},
};

}  // namespace action
