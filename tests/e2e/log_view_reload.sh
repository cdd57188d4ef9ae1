#!/usr/bin/env bash
# A commit made by git from outside shows up in the running log by itself.
# Usage: bash log_view_reload.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"

start_app "$repo"
wait_for "commit number 3"

echo 4 >"$repo/file.txt"
on_day 4 git -C "$repo" commit -q -am "made from outside"
wait_for "made from outside" 2

keys q
wait_exit 0
echo "reload checks passed"
