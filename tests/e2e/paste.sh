#!/usr/bin/env bash
# A paste in a real terminal. Into the create-branch prompt, a line with a
# control character, a right-to-left override and a tab, then a line feed and
# more: its first line goes in without those characters, and neither the line
# feed (Enter) nor the letters after it (b, j) run; the prompt stays open and
# what is typed after the paste goes on the name. A paste into the search
# prompt searches as typing does. In the log a paste does nothing at all.
# Usage: bash paste.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"
head=$(git -C "$repo" rev-parse HEAD)

paste_text() {
  tm set-buffer -b e2e -- "$1"
  tm paste-buffer -p -d -b e2e -t "$E2E_SESSION"
}

start_app "$repo"
wait_row "▶" "commit number 3"

# In the log: q would quit, j move, b open the prompt.
paste_text "$(printf 'qjb\nq')"
keys /
wait_for "/█"
! pane | grep -qF "create branch" || fail "a paste in the log ran b"
keys Escape
wait_gone "/█"
wait_row "▶" "commit number 3"
[[ ! -s "$E2E_WORK/status" ]] || fail "a paste in the log ran q"

keys b
wait_for "create branch: █"
paste_text "$(printf 'pas\001ted\342\200\256\tname\nbj')"
wait_for "create branch: pastedname█"
[[ $(git -C "$repo" for-each-ref --format='%(refname)' refs/heads) == "refs/heads/main" ]] ||
  fail "the paste submitted the prompt"
type_text "-x"
wait_for "create branch: pastedname-x█"
keys Enter
wait_for "created pastedname-x"

refs=$(git -C "$repo" for-each-ref --format='%(refname) %(objectname)')
[[ $refs == "refs/heads/main $head"$'\n'"refs/heads/pastedname-x $head" ]] || fail "branches after the paste: $refs"
wait_row "▶" "commit number 3"

# The search prompt takes the paste's first line as its query.
keys /
wait_for "/█"
paste_text "$(printf 'number 1\nj')"
wait_for "/number 1█"
wait_row "▶" "commit number 1"
keys Enter
wait_gone "/number 1█"

# The first q clears the search, the second ends the program.
keys q
keys q
wait_exit 0
[[ ! -s "$E2E_WORK/stderr" ]] || fail "unexpected output on standard error: $(cat "$E2E_WORK/stderr")"
echo "paste checks passed"
