#!/usr/bin/env bash
# Job control from an interactive shell: a stop (kill -TSTP, as another tool
# sends it) gives the terminal back to the shell, cooked and off the alternate
# screen with the cursor shown; fg takes it again, raw, and paints the whole
# screen. A stop while the editor has the terminal (the editor stopping its
# whole process group, as vim's Ctrl-Z does) leaves the terminal to the editor
# when the shell continues them.
# Usage: bash job_control.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"

# Stops itself and its process group, then takes the message from the terminal.
editor="$E2E_WORK/editor"
cat >"$editor" <<'SCRIPT'
#!/bin/sh
echo "editor before the stop"
kill -TSTP 0
echo "editor continued"
IFS= read -r line
printf '%s\n' "$line" >"$1"
SCRIPT
chmod +x "$editor"
export EDITOR="$editor"
unset GIT_EDITOR VISUAL

tm new-session -d -s "$E2E_SESSION" -x 100 -y 30 -e TZ=UTC -e HOME="$HOME" \
  -e GIT_CONFIG_NOSYSTEM=1 -e LC_ALL=C.UTF-8 -e EDITOR="$editor" "bash --norc --noprofile -i"
pane_tty=$(pane_state '#{pane_tty}')
type_text "PS1='PROMPT\$ '; cd $(printf '%q' "$repo")"
keys Enter
wait_for 'PROMPT$'
type_text "$(printf '%q' "$E2E_BIN")"
keys Enter
wait_row "▶" "commit number 3"
[[ $(pane_state '#{alternate_on}') == 1 ]] || fail "the alternate screen is not on"
app=$(pgrep -P "$(pane_state '#{pane_pid}')" -x tarnwick) || fail "no program under the shell"

# Waits until the alternate screen is on (1) or off (0).
wait_alternate() {
  local i
  for ((i = 0; i < 100; i++)); do
    [[ $(pane_state '#{alternate_on}') == "$1" ]] && return 0
    sleep 0.05
  done
  fail "alternate_on never became $1"
}
cooked() {
  local modes
  modes=$(stty -F "$pane_tty" -a)
  grep -qw icanon <<<"$modes" && grep -qw echo <<<"$modes"
}
raw() {
  local modes
  modes=$(stty -F "$pane_tty" -a)
  grep -qw -- -icanon <<<"$modes" && grep -qw -- -echo <<<"$modes"
}

kill -TSTP "$app"
wait_for "Stopped"
[[ $(ps -o stat= -p "$app") == T* ]] || fail "the program did not stop"
[[ $(pane_state '#{alternate_on}') == 0 ]] || fail "the alternate screen is still on while stopped"
[[ $(pane_state '#{cursor_flag}') == 1 ]] || fail "the cursor is still hidden while stopped"
cooked || fail "the terminal was left raw while stopped: $(stty -F "$pane_tty" -a)"
wait_gone "commit number 3"
type_text 'echo "shell $((6 * 7))"'
keys Enter
wait_for "shell 42"

type_text "fg"
keys Enter
wait_row "▶" "commit number 3"
wait_gone "shell 42"
[[ $(pane_state '#{alternate_on}') == 1 ]] || fail "fg did not bring back the alternate screen"
[[ $(pane_state '#{cursor_flag}') == 0 ]] || fail "the cursor is shown after fg"
raw || fail "the terminal is not raw after fg: $(stty -F "$pane_tty" -a)"
# Every row painted again, the status bar too, and keys are keys again.
wait_for "? → show hotkeys"
keys j
wait_row "▶" "commit number 2"

keys q
wait_alternate 0
cooked || fail "the terminal was left raw after quitting"
type_text 'echo "done $((1 + 1))"'
keys Enter
wait_for "done 2"

# The editor stops its process group; the program stops with it and, continued,
# leaves the terminal to the editor.
if [[ ${E2E_SIGNALS_HELD_BACK:-0} == 1 ]]; then
  echo "job control checks passed (the editor's stop left out)"
  exit 0
fi
echo more >>"$repo/file.txt"
git -C "$repo" add file.txt
type_text "clear; $(printf '%q' "$E2E_BIN")"
keys Enter
wait_for "Staged (1)"
keys c
wait_for "editor before the stop"
wait_for "Stopped"
cooked || fail "the terminal is not the shell's while the editor is stopped"
type_text "fg"
keys Enter
wait_for "editor continued"
sleep 0.5  # time for a wrongful take-over to show
[[ $(pane_state '#{alternate_on}') == 0 ]] || fail "the program took the terminal from the editor"
cooked || fail "the program made the editor's terminal raw: $(stty -F "$pane_tty" -a)"
type_text "Message written around a stop"
keys Enter
wait_row "▶" "Message written around a stop"
[[ $(git -C "$repo" log -1 --format=%s) == "Message written around a stop" ]] ||
  fail "the commit was not made: $(git -C "$repo" log -1 --format=%s)"
[[ $(pane_state '#{alternate_on}') == 1 ]] || fail "the program did not take the terminal back from the editor"
raw || fail "the terminal is not raw after the editor"

keys q
wait_alternate 0
cooked || fail "the terminal was left raw after quitting"
echo "job control checks passed"
