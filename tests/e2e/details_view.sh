#!/usr/bin/env bash
# The commit details in a real terminal: Enter opens them, / searches inside
# them, n steps from match to match, Esc clears the search and then closes
# the panel, q quits.
# Usage: bash details_view.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"
mkdir -p "$repo/src"
printf 'int needle = 1;\nint other = 2;\nint needle_too = needle;\n' >"$repo/src/lookup.c"
git -C "$repo" add src/lookup.c
on_day 4 git -C "$repo" commit -q -m "add the lookup table"

start_app "$repo"
wait_row "▶" "add the lookup table"
keys Enter
wait_for "1 file changed"
wait_for "src/lookup.c"

keys /
type_text needle
wait_for "/needle█"
keys Enter
wait_for "[ 2 matches ]"
keys n
wait_for "[ 1 / 2 ]"
keys n
wait_for "[ 2 / 2 ]"
keys N
wait_for "[ 1 / 2 ]"

keys Escape
wait_gone "[ 1 / 2 ]"
wait_for "1 file changed"
keys Escape
wait_for "commit number 3"
wait_gone "1 file changed"

keys q
wait_exit 0
echo "details view checks passed"
