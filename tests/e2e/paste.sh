#!/usr/bin/env bash
# A paste in a real terminal: two lines pasted into the create-branch prompt
# are taken as one paste, so neither their line feed (Enter) nor their
# letters (b, j) run; the prompt stays open and empty, and what is typed after
# the paste still works.
# Usage: bash paste.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"
head=$(git -C "$repo" rev-parse HEAD)

start_app "$repo"
wait_row "▶" "commit number 3"
keys b
wait_for "create branch: "

# Typed as keys this would create "pasted", open the prompt again and type j.
tm set-buffer -b e2e -- "$(printf 'pasted\nbj')"
tm paste-buffer -p -d -b e2e -t "$E2E_SESSION"
type_text typed
keys Enter
wait_for "created typed"

refs=$(git -C "$repo" for-each-ref --format='%(refname) %(objectname)')
[[ $refs == "refs/heads/main $head"$'\n'"refs/heads/typed $head" ]] || fail "branches after the paste: $refs"
wait_row "▶" "commit number 3"

keys q
wait_exit 0
echo "paste checks passed"
