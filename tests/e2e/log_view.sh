#!/usr/bin/env bash
# The log view in a real terminal: the window title is the repository's
# name, j and k move the selection marker, the program redraws through a
# resize down to a tiny window and back, q ends it with status 0 and the
# alternate screen left; without any terminal it ends with status 101.
# Usage: bash log_view.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/harbour-notes"
make_repo "$repo"

start_app "$repo"
for ((i = 0; i < 100; i++)); do
  [[ $(pane_state '#{alternate_on}') == 1 ]] && break
  sleep 0.05
done
[[ $(pane_state '#{alternate_on}') == 1 ]] || fail "the program never took the terminal over"
title=$(pane_state '#{pane_title}')
[[ $title == harbour-notes ]] || fail "window title '$title'"

# Rows are told apart by their dates, which stay on screen when the window is narrow.
wait_row "▶" "Jan 3, 2024"
keys j
wait_row "▶" "Jan 2, 2024"

tm resize-window -t "$E2E_SESSION" -x 50 -y 10
wait_row "▶" "Jan 2, 2024"
keys k
wait_row "▶" "Jan 3, 2024"
# The narrow frame: the bar's border is exactly 50 cells wide.
pane | grep -qx -- "$(printf '─%.0s' {1..50})" || fail "no 50-cell border after the resize"
tm resize-window -t "$E2E_SESSION" -x 100 -y 30
wait_for "commit number 1"
keys j
wait_row "▶" "commit number 2"
[[ ! -s "$E2E_WORK/status" ]] || fail "the program ended after a resize: $(cat "$E2E_WORK/stderr")"
[[ $(pane_state '#{alternate_on}') == 1 ]] || fail "the alternate screen was left after a resize"

keys q
wait_exit 0
[[ ! -s "$E2E_WORK/stderr" ]] || fail "unexpected output on standard error: $(cat "$E2E_WORK/stderr")"

# No terminal to take over: no standard input terminal and no controlling one.
status=0
setsid --wait "$E2E_BIN" "$repo" </dev/null >"$E2E_WORK/out" 2>"$E2E_WORK/err" || status=$?
[[ $status == 101 ]] || fail "without a terminal: exit status $status, expected 101"
grep -q '^failed to initialize terminal' "$E2E_WORK/err" || fail "without a terminal: stderr '$(cat "$E2E_WORK/err")'"

echo "log view checks passed"
