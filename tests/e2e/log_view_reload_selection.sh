#!/usr/bin/env bash
# Reloads in a real terminal: a remote HEAD whose branch was pruned does not
# stop the start; a commit made from outside leaves the selection on its
# commit, so a branch made right after lands there; a reload that shortens
# the log below the selected row keeps the log on screen with a selection;
# a missing commit object is named in the status bar.
# Usage: bash log_view_reload_selection.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"
git -C "$repo" update-ref refs/remotes/origin/main HEAD
# What `git fetch --prune` leaves after the remote renamed its default branch.
git -C "$repo" symbolic-ref refs/remotes/origin/HEAD refs/remotes/origin/master

start_app "$repo"
wait_row "▶" "commit number 3"
keys j
wait_row "▶" "commit number 2"
want=$(git -C "$repo" rev-parse HEAD~1)

echo 4 >"$repo/file.txt"
on_day 4 git -C "$repo" commit -q -am "made from outside"
wait_for "made from outside"
wait_row "▶" "commit number 2"
keys b
type_text here
keys Enter
wait_for "created here"
[[ $(git -C "$repo" rev-parse --verify -q refs/heads/here) == "$want" ]] ||
  fail "the branch is not at the selected commit"
keys q
wait_exit 0
tm kill-session -t "$E2E_SESSION"

# A long log, the selection far down it; then the branch is reset from
# outside to a history shorter than the screen, without the selected commit.
long="$E2E_WORK/long"
git init -q "$long"
for i in $(seq 1 60); do
  on_day "$i" git -C "$long" commit -q --allow-empty -m "long $i"
done
E2E_ROWS=20 start_app "$long"
wait_row "▶" "long 60"
keys G
wait_row "▶" "long 1"
keys 4 k
wait_row "▶" "long 5"
git -C "$long" reset -q --hard HEAD~57
wait_gone "long 4 "
wait_row "▶" "long 1"
wait_for "long 3"
keys k
wait_row "▶" "long 2"
keys q
wait_exit 0
tm kill-session -t "$E2E_SESSION"

# A commit object gone: the log lists what it can read and says so.
cut="$E2E_WORK/cut"
make_repo "$cut"
middle=$(git -C "$cut" rev-parse HEAD~1)
rm -f "$cut/.git/objects/${middle:0:2}/${middle:2}"
start_app "$cut"
wait_row "▶" "commit number 3"
wait_for "history cut short: commit ${middle:0:7} cannot be read"
pane | grep -qF "commit number 1" && fail "a commit behind the missing one is listed"
keys q
wait_exit 0
echo "reload selection checks passed"
