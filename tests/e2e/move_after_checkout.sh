#!/usr/bin/env bash
# A branch move right after a checkout made from outside, before the log has
# reloaded: the model still has HEAD on main, but the move goes by HEAD as
# the repository holds it. m on main's commit, j j, Enter and y move main
# with git's branch command; side, now checked out, keeps its commit, and
# the uncommitted line in a tracked file stays.
# Usage: bash move_after_checkout.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
git init -q "$repo"
echo a >"$repo/a.txt"
echo 1 >"$repo/b.txt"
git -C "$repo" add a.txt b.txt
on_day 1 git -C "$repo" commit -q -m "commit number 1"
echo 2 >"$repo/b.txt"
on_day 2 git -C "$repo" commit -q -am "commit number 2"
git -C "$repo" branch side
echo 3 >"$repo/b.txt"
on_day 3 git -C "$repo" commit -q -am "commit number 3"
printf 'a\nuncommitted\n' >"$repo/a.txt"
c1=$(git -C "$repo" rev-parse HEAD~2)
c2=$(git -C "$repo" rev-parse HEAD~1)

start_app "$repo"
# The uncommitted line opens the staging view; back to the log.
wait_for "Unstaged (1)"
keys Escape
wait_row "▶" "(HEAD → main) commit number 3"

# All at once, well inside the watcher's quiet time.
git -C "$repo" checkout -q side
keys m j j Enter y
wait_for "moved main to ${c1:0:7}"
[[ $(git -C "$repo" rev-parse main) == "$c1" ]] || fail "main is at $(git -C "$repo" rev-parse main)"
[[ $(git -C "$repo" rev-parse side) == "$c2" ]] || fail "side moved to $(git -C "$repo" rev-parse side)"
[[ $(git -C "$repo" symbolic-ref HEAD) == refs/heads/side ]] || fail "HEAD left side"
[[ $(cat "$repo/a.txt") == $'a\nuncommitted' ]] || fail "the uncommitted line is gone"
[[ $(cat "$repo/b.txt") == 2 ]] || fail "the work tree moved: b.txt holds $(cat "$repo/b.txt")"
[[ $(git -C "$repo" status --porcelain) == " M a.txt" ]] || fail "status: $(git -C "$repo" status --porcelain)"

# The log shows what git holds.
wait_row "(HEAD → side)" "commit number 2"
wait_row "(main)" "commit number 1"
wait_gone "commit number 3"

keys q
wait_exit 0
echo "move after an outside checkout checks passed"
