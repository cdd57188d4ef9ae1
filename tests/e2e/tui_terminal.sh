#!/usr/bin/env bash
# The terminal layer on a real terminal: scripted frames drawn inside tmux show exactly what
# their buffers held (CJK text, a resize, a frame drawn as a difference), the window title keeps
# control characters harmless, and the terminal is given back restored, also on the fatal path.
# Usage: bash tui_terminal.sh TARNWICK_BINARY (the helper program sits beside it).
set -euo pipefail

helper="$(dirname "$1")/tui_tty_check"
[[ -x "$helper" ]] || { echo "missing $helper" >&2; exit 1; }
work="$(mktemp -d)"
socket="tui$$"
tm() { tmux -u -L "$socket" -f /dev/null "$@"; }
cleanup() {
  tm kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The pane as text, trailing blanks and empty rows dropped (as the helper writes its frames).
pane_text() {
  tm capture-pane -p -t "$1" | sed -e 's/ *$//' |
    awk '{ line[NR] = $0 } END { n = NR; while (n > 0 && line[n] == "") n--; for (i = 1; i <= n; i++) print line[i] }'
}

# Waits for the helper's frame N, then for the pane to show it.
wait_frame() {
  local session=$1 n=$2 file="$work/$1/frame-$2.txt" i
  for ((i = 0; i < 200; i++)); do
    [[ -f "$file" ]] && break
    sleep 0.05
  done
  [[ -f "$file" ]] || fail "$session: frame $n was never drawn"
  local want got
  want="$(cat "$file")"
  for ((i = 0; i < 200; i++)); do
    got="$(pane_text "$session")"
    [[ "$got" == "$want" ]] && return 0
    sleep 0.05
  done
  diff <(echo "$want") <(echo "$got") >&2 || true
  fail "$session: the pane does not show frame $n"
}

wait_file() {
  local i
  for ((i = 0; i < 200; i++)); do
    [[ -s "$1" ]] && return 0
    sleep 0.05
  done
  fail "$1 never appeared"
}

# Runs the helper in its own window; afterwards the shell records its exit status and the
# terminal modes it left behind, then reads a line typed at the restored terminal.
start() {
  local session=$1
  shift
  mkdir -p "$work/$session"
  cat >"$work/$session/run.sh" <<RUN
"$helper" "$work/$session" $*
echo \$? >"$work/$session/status"
stty -a >"$work/$session/stty" 2>&1
read -r line
echo "\$line" >"$work/$session/typed"
RUN
  tm new-session -d -s "$session" -x 40 -y 12 "sh '$work/$session/run.sh'"
}

check_restored() {
  local session=$1 want_status=$2
  wait_file "$work/$session/status"
  wait_file "$work/$session/stty"
  [[ "$(cat "$work/$session/status")" == "$want_status" ]] ||
    fail "$session: exit status $(cat "$work/$session/status"), expected $want_status"
  local state
  state="$(tm display -p -t "$session" '#{alternate_on} #{cursor_flag}')"
  [[ "$state" == "0 1" ]] || fail "$session: alternate screen and cursor flags are '$state', expected '0 1'"
  grep -qw -- "-icanon" "$work/$session/stty" && fail "$session: canonical mode left off"
  grep -qw -- "-echo" "$work/$session/stty" && fail "$session: echo left off"
  tm send-keys -t "$session" o k Enter
  wait_file "$work/$session/typed"
  [[ "$(cat "$work/$session/typed")" == "ok" ]] || fail "$session: the restored terminal read '$(cat "$work/$session/typed")'"
}

start run
wait_frame run 0
[[ "$(tm display -p -t run '#{alternate_on} #{cursor_flag}')" == "1 0" ]] ||
  fail "not on the alternate screen with the cursor hidden"
[[ "$(tm display -p -t run '#{pane_title}')" == "tty␛]0;evil␇check" ]] ||
  fail "title: $(tm display -p -t run '#{pane_title}')"
grep -q "tab here ␛\[31mred␇" "$work/run/frame-0.txt" || fail "control characters were not shown as pictures"
grep -q "漢字テスト" "$work/run/frame-0.txt" || fail "no CJK text in the first frame"

tm send-keys -t run n
wait_frame run 1
tm resize-window -t run -x 30 -y 10
wait_frame run 2
[[ "$(head -1 "$work/run/frame-2.txt")" == "┌ tarnwick ──────────────────┐" ]] || fail "frame 2 is not 30 wide"
tm send-keys -t run n
wait_frame run 3
tm send-keys -t run q
check_restored run 0

start fatal --fatal
wait_frame fatal 0
tm send-keys -t fatal n
check_restored fatal 3

echo "tui terminal checks passed"
