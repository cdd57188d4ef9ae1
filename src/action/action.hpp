#pragma once
// The command value of one key press and the dispatcher that hands it to the
// handler of the current mode.

#include "state/state.hpp"
#include "repo/repo.hpp"
#include "tui/event.hpp"
#include "tui/terminal.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

  // The handlers of the modes. Only the log view can end the program.
  bool execute_normal_mode(state::State& state, repo::Repo& repo, tui::Terminal& terminal) const;
  void execute_search_mode(state::State& state, const repo::Repo& repo, tui::Terminal& terminal) const;
  void execute_create_branch_mode(state::State& state, repo::Repo& repo) const;
  void execute_delete_branch_mode(state::State& state, repo::Repo& repo) const;
  void execute_commit_view_mode(state::State& state, repo::Repo& repo, tui::Terminal& terminal) const;
  void execute_checkout_mode(state::State& state, repo::Repo& repo) const;
  void execute_rebase_in_progress_mode(state::State& state, repo::Repo& repo) const;
  void execute_rebase_branch_selection_mode(state::State& state, const repo::Repo& repo) const;
  void execute_rebase_target_mode(state::State& state, repo::Repo& repo) const;
  void execute_revert_confirmation_mode(state::State& state, repo::Repo& repo) const;
  void execute_push_mode(state::State& state, const repo::Repo& repo) const;
  void execute_move_branch_selection_mode(state::State& state, const repo::Repo& repo) const;
  void execute_move_target_mode(state::State& state, std::size_t loaded_commits) const;
  void execute_move_confirmation_mode(state::State& state, repo::Repo& repo) const;
};

// A paste, for the text prompt that has the keys (search, create and delete
// branch, checkout, push, rebase target): its text up to the first line
// break, without control and bidirectional characters, goes in as if typed.
// It never confirms a prompt or runs a command; with no text prompt open it
// does nothing.
void paste_into_prompt(state::State& state, std::string_view pasted);

// Moves the selection to the next (previous) commit matching the log search,
// wrapping at the end of the log; the selected commit itself never counts.
void find_next_match(state::State& state, const repo::Repo& repo);
void find_previous_match(state::State& state, const repo::Repo& repo);

// Steps the current match of the details search forwards (backwards),
// wrapping, and centres its line.
void find_next_match_in_details(state::State& state, tui::Size size);
void find_previous_match_in_details(state::State& state, tui::Size size);

// Colours what the details panel shows at this size: every file whose block
// reaches into the panel's window, from its first line down to the last row
// shown. What was coloured stays; a file never shown is never coloured.
// Called when the panel opens and before every frame.
void highlight_details_window(state::State& state, tui::Size size);

// The number of lines of the open details at the details width; 0 with no
// details open.
std::size_t compute_details_content_height(const state::State& state, tui::Size size);

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
