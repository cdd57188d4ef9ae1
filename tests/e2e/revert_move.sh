#!/usr/bin/env bash
# Revert and branch move in a real terminal: R on the newest commit asks,
# Enter reverts it and the new commit tops the log; m with one branch goes
# straight to the target, j picks the commit below, Enter asks and y moves
# the checked-out branch there, refused over a local change it would
# overwrite, made with the work tree once it is clean; m with two branches opens the
# choice, Tab picks the other branch, which moves with the work tree left as
# it was; n cancels without moving anything.
# Usage: bash revert_move.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"
c2=$(git -C "$repo" rev-parse HEAD~1)
c3=$(git -C "$repo" rev-parse HEAD)

# From the row below the newest commit: back up to it, press m, Tab to
# topic and take it.
choose_topic_at_newest() {
  wait_row "▶" "commit number 2"
  keys k
  wait_row "▶" "commit number 3"
  keys m
  choose_branch topic
  keys Enter
}

# Tab in the branch choice until it shows the branch.
choose_branch() {
  local i
  wait_for "branch to move: "
  for ((i = 0; i < 10; i++)); do
    pane | grep -qF "branch to move: $1 (" && return 0
    keys Tab
    sleep 0.2
  done
  fail "Tab never chose $1"
}

start_app "$repo"
wait_row "▶" "commit number 3"

# Revert.
keys R
wait_for "revert ${c3:0:7} \"commit number 3\"?"
wait_for "enter → revert   esc → cancel"
keys j
keys q
wait_for "revert ${c3:0:7} \"commit number 3\"?"
keys Enter
wait_for "reverted ${c3:0:7}"
wait_for 'Revert "commit number 3"'
[[ $(git -C "$repo" log -1 --format=%s) == 'Revert "commit number 3"' ]] || fail "no revert commit"
[[ $(git -C "$repo" rev-parse HEAD~1) == "$c3" ]] || fail "the revert is not on top of HEAD"
[[ $(cat "$repo/file.txt") == 2 ]] || fail "file.txt was not reverted"

# Moving the checked-out branch back to commit 3 would overwrite a change:
# git refuses and nothing moves.
reverted=$(git -C "$repo" rev-parse HEAD)
echo dirty >"$repo/file.txt"
keys m
wait_for "moving main → "
keys j
wait_for "moving main → ${c3:0:7}"
keys Enter
wait_for "move main to ${c3:0:7}?"
keys y
wait_for "move failed: error: Entry 'file.txt' not uptodate. Cannot merge."
[[ $(git -C "$repo" rev-parse main) == "$reverted" ]] || fail "main moved over a local change"
[[ $(cat "$repo/file.txt") == dirty ]] || fail "the refused move lost the local change"

# With the change gone the move is made and the work tree follows.
git -C "$repo" checkout -q file.txt
wait_row "▶" "commit number 3"
keys k
wait_row "▶" 'Revert "commit number 3"'
keys m
wait_for "moving main → "
keys j
wait_for "moving main → ${c3:0:7}"
keys Enter
wait_for "move main to ${c3:0:7}?"
keys y
wait_for "moved main to ${c3:0:7}"
[[ $(git -C "$repo" rev-parse main) == "$c3" ]] || fail "main did not move"
[[ $(cat "$repo/file.txt") == 3 ]] || fail "the work tree did not follow the move"
[[ -z $(git -C "$repo" status --porcelain) ]] || fail "the move left changes"

# Another branch at the same commit moves with the work tree untouched.
git -C "$repo" branch topic
echo dirty >"$repo/file.txt"
# The reset dropped the revert commit; the selection kept its row.
choose_topic_at_newest
wait_for "moving topic → ${c3:0:7}"
keys j
keys Enter
wait_for "move topic to ${c2:0:7}?"
keys n
wait_gone "move topic to"
[[ $(git -C "$repo" rev-parse topic) == "$c3" ]] || fail "n moved the branch"
# The cancel left the selection on the target.
choose_topic_at_newest
wait_for "moving topic → "
keys j
wait_for "moving topic → ${c2:0:7}"
keys Enter
keys Enter
wait_for "moved topic to ${c2:0:7}"
[[ $(git -C "$repo" rev-parse topic) == "$c2" ]] || fail "topic did not move"
[[ $(git -C "$repo" rev-parse main) == "$c3" ]] || fail "main moved with topic"
[[ $(cat "$repo/file.txt") == dirty ]] || fail "moving another branch touched the work tree"
wait_row "(topic)" "commit number 2"

keys q
wait_exit 0
echo "revert and move checks passed"
