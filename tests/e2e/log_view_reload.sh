#!/usr/bin/env bash
# A commit made by git from outside shows up in the running log by itself.
# Exits 77 (skipped) while the log table draws no rows to look at.
# Usage: bash log_view_reload.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"

start_app "$repo"
for ((i = 0; i < 100; i++)); do
  [[ $(pane_state '#{alternate_on}') == 1 ]] && break
  sleep 0.05
done
drawn=0
for ((i = 0; i < 60; i++)); do
  pane | grep -qF "commit number 3" && drawn=1 && break
  sleep 0.05
done

if ((drawn)); then
  echo 4 >"$repo/file.txt"
  git -C "$repo" commit -q -am "made from outside"
  wait_for "made from outside" 2
fi

keys q
wait_exit 0
if ((!drawn)); then
  echo "SKIPPED: the log table draws no commits yet"
  exit 77
fi
echo "reload checks passed"
