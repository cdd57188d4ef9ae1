#!/usr/bin/env bash
# The hotkey panel in a real terminal: ? shows it under the status bar with
# the commands of the log, an untracked file lights "tab", and ? hides it.
# Usage: bash hotkey_panel.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"
git -C "$repo" remote add origin git@github.com:someone/project.git

start_app "$repo"
wait_row "▶" "commit number 3"
keys ?
wait_for "? → hide hotkeys"
wait_for "q quit           j/k ↑/↓       c checkout"
wait_for "o open in github"
wait_for "G bottom      r rebase          p push"

keys j
wait_row "▶" "commit number 2"
wait_for "h goto head"
keys ?
wait_for "? → show hotkeys"
tm capture-pane -p -t "$E2E_SESSION" | grep -q "copy sha" && fail "the panel is still drawn"

keys q
wait_exit 0
echo "hotkey panel checks passed"
