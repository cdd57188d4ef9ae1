#!/usr/bin/env bash
# Branch prompts in a real terminal: b, a few letters and Tab complete a name
# from the remote-tracking branch at the selected commit, Enter creates the
# branch there and its label appears; d with Tab and Enter deletes it again.
# Usage: bash branch_prompts.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"
git -C "$repo" update-ref refs/remotes/origin/feature-login HEAD~1
want=$(git -C "$repo" rev-parse HEAD~1)

start_app "$repo"
wait_row "▶" "commit number 3"
keys j
wait_row "▶" "commit number 2"

keys b
type_text feat
wait_for "feat█ure-login"
keys Tab
wait_for "feature-login█"
keys Enter
wait_for "created feature-login"
[[ $(git -C "$repo" rev-parse --verify -q refs/heads/feature-login) == "$want" ]] ||
  fail "feature-login is not at the selected commit"
wait_row "(feature-login, origin/feature-login)" "commit number 2"

keys d
type_text feat
keys Tab
wait_for "feature-login█"
keys Enter
wait_for "deleted feature-login"
git -C "$repo" rev-parse --verify -q refs/heads/feature-login >/dev/null && fail "feature-login still exists"
wait_row "(origin/feature-login)" "commit number 2"

keys q
wait_exit 0
echo "branch prompt checks passed"
