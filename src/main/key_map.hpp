#pragma once
// The key map: every key press becomes one command value. Esc, Enter, Tab,
// Up, Down and Backspace have commands of their own; a character key gives
// the command of action::CHARACTER_KEYS, else Digit or Char with itself;
// Ctrl with c, d, h, j, k, l or u gives the command below, Ctrl with any
// other key acts as the key alone; every other key gives NoAction.
//
// A command is named after what it does in the log view. What it does in
// each mode, mode by mode (the handler of each is named in action.hpp):
//
// The log view (log_view.cpp). While the details panel is open the moves
// scroll the details instead of moving the selection.
//   j, Down      MoveDown      down one row, or count rows
//   k, Up        MoveUp        up one row, or count rows
//   Ctrl-d       HalfPageDown  down half a screen
//   Ctrl-u       HalfPageUp    up half a screen
//   g            GoTop         the first row
//   G            GoBottom      the last row; with a count N, row N
//   h            GoHead        HEAD's commit; in the details, close them
//   Enter, space, l            Confirm, Space, OpenDetails: open the details
//   Esc, q, Ctrl-c             Escape, Quit, Interrupt: clear one thing (the
//                              details search, the details, the count, the
//                              search), or quit when nothing is left
//   n, N         NextMatch, PrevMatch  the next, previous search match
//   /            StartSearch   the search prompt
//   1-9, then 0  Digit         the count for the next command
//   Backspace    Backspace     the count's last digit, else the search gone
//   Tab          Tab           the staging view
//   a            Char          the staging view amending HEAD
//   ?            Char          show or hide the hotkey panel
//   y            Yank          copy the commit's id
//   o            Open          open the commit's page in the browser
//   f            Fetch         fetch every remote
//   b            CreateBranch  the create-branch prompt
//   d            Delete        the delete-branch prompt
//   c            Checkout      the checkout prompt (or a detached checkout)
//   p            Push          the push prompt
//   r            Rebase        rebase a branch at the commit
//   R            Revert        revert the commit, after a confirmation
//   m            MoveBranch    move a branch at the commit
// Every command uses up the count but n, N, a digit, Backspace and Esc,
// which keep it or change it.
//
// Every mode but the staging view:
//   Ctrl-h/l/j/k FocusLeft/Right/Down/Up  the tmux pane on that side
//
// The staging view (commit_view.cpp); the file commands act on the focused
// list's selected file, the hunk commands on the hunk under the cursor:
//   Esc, q, Ctrl-c, Tab        Escape, Quit, Interrupt, Tab: close the view
//                              (aborting a stopped rebase, undoing an amend)
//   j, Down / k, Up            MoveDown / MoveUp: scroll the diff one line
//   Ctrl-d / Ctrl-u            HalfPageDown / HalfPageUp: half a diff
//   g / G        GoTop / GoBottom      the top / the bottom of the diff
//   n / N        NextMatch / PrevMatch the next / previous hunk or conflict
//   h, l         GoHead, OpenDetails   focus the other list
//   Ctrl-h / Ctrl-l  FocusLeft / FocusRight  focus the left / right list
//   Ctrl-j / Ctrl-k  FocusDown / FocusUp     the next / previous file
//   S            StageAll      stage the file (left list)
//   U            UnstageAll    unstage the file (right list)
//   s            Char          stage the hunk (left list)
//   u            Char          unstage the hunk (right list)
//   d            Delete        discard the hunk (left list), after a question
//   D            Char          discard the file (left list), after a question
//   1 / 2        Digit         take our / their side of the conflict
//   o            Open          edit the file
//   c            Checkout      commit (or amend); continue a stopped rebase
//   while a discard is asked: y (Yank) discards, any other key keeps
//
// The search prompt (search_prompt.cpp):
//   Esc, Ctrl-c  cancel        Enter        confirm
//   Up / Down    the history   Backspace    delete a character; on an
//                              empty text, cancel
//   Tab, Ctrl-d, Ctrl-u        nothing
//   any other key that types (Action::typed_char)  types its character
//
// The branch-name prompts: create, delete, checkout, push
// (branch_prompt.cpp) and the rebase target (rebase.cpp):
//   Esc, Ctrl-c  close (the rebase target ends the rebase)
//   Enter        create / delete / check out / push / rebase; an empty text
//                closes create, delete and the rebase target, checks the
//                commit out detached, and pushes nothing
//   Tab          complete the name
//   Backspace    delete a character; on an empty text, close
//   Up, Down, Ctrl-d, Ctrl-u   nothing
//   any other key that types   types its character
//
// The branch choices of rebase (rebase.cpp) and move (move_branch.cpp):
//   Esc, Ctrl-c  cancel        Enter  choose   Tab  the next branch
// The move target (move_branch.cpp):
//   Esc, Ctrl-c  cancel        j, Down / k, Up  the next / previous row
//   g / G        the first / last row            Enter  this commit
// The move confirmation (move_branch.cpp):
//   Enter, y     move          Esc, Ctrl-c, n  cancel
// The revert confirmation (revert.cpp):
//   Enter        revert        Esc, Ctrl-c     cancel
// A stopped rebase with the staging view closed (rebase.cpp):
//   Enter        continue      Esc, Ctrl-c     abort
// Any other key does nothing in these.

#include <optional>

#include "action/action.hpp"
#include "tui/event.hpp"

namespace app {

// A key event becomes one command; nothing for other events.
std::optional<action::Action> from_event(const tui::Event& event);
action::Action from_key(const tui::KeyEvent& key);

}  // namespace app
