#!/usr/bin/env bash
# Signals in a real terminal: SIGUSR1, whose default action ends a process,
# ends the program as it would any process, with the terminal given back
# first: cooked again and off the alternate screen.
# Usage: bash signals.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"

start_app "$repo"
wait_row "▶" "commit number 3"
[[ $(pane_state '#{alternate_on}') == 1 ]] || fail "the alternate screen is not on"
pane_tty=$(pane_state '#{pane_tty}')
stty -F "$pane_tty" -a | grep -qw -- -icanon || fail "the terminal is not raw while the program runs"

app=$(pgrep -P "$(pane_state '#{pane_pid}')" -x tarnwick) || fail "no program under the pane"
kill -USR1 "$app"
wait_exit $((128 + $(kill -l USR1)))
modes=$(stty -F "$pane_tty" -a)
grep -qw icanon <<<"$modes" && grep -qw echo <<<"$modes" || fail "the terminal was left raw: $modes"
echo "signal checks passed"
