#!/usr/bin/env bash
# A commit made on a detached HEAD in a real terminal: c on a commit without
# a local branch checks it out, detached; a commit from the staging view
# lands on it and is listed with its HEAD label although no branch holds
# it; h selects it, a opens the amend view on it and b makes a branch there.
# Usage: bash detached_commit.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"
c2=$(git -C "$repo" rev-parse HEAD~1)

editor="$E2E_WORK/editor"
cat >"$editor" <<'SCRIPT'
#!/bin/sh
printf 'made detached\n' >"$1"
SCRIPT
chmod +x "$editor"
export EDITOR="$editor"

start_app "$repo"
wait_row "▶" "commit number 3"
keys j
wait_row "▶" "commit number 2"
keys c
wait_for "checked out ${c2:0:7}"
git -C "$repo" symbolic-ref -q HEAD >/dev/null && fail "HEAD is not detached"

echo new >"$repo/new.txt"
keys Tab
wait_for "Unstaged (1)"
keys S
wait_for "Staged (1)"
keys c
wait_for "committed successfully"
made=$(git -C "$repo" rev-parse HEAD)
git -C "$repo" symbolic-ref -q HEAD >/dev/null && fail "the commit attached HEAD to a branch"
[[ $(git -C "$repo" rev-parse HEAD~1) == "$c2" ]] || fail "the commit is not on commit 2"
[[ $(git -C "$repo" log -1 --format=%s) == "made detached" ]] || fail "message: $(git -C "$repo" log -1 --format=%s)"
[[ -z $(git -C "$repo" for-each-ref --contains "$made" refs/heads refs/remotes) ]] || fail "a branch holds the commit"
wait_row "(HEAD)" "made detached"

keys G
wait_row "▶" "commit number 1"
keys h
wait_row "▶" "(HEAD) made detached"
keys a
wait_for "amending HEAD — edit staging, c to commit, esc to cancel"
wait_for "Amending HEAD (1)"
keys Escape
wait_gone "Amending HEAD ("
[[ $(git -C "$repo" rev-parse HEAD) == "$made" ]] || fail "cancelling the amend moved HEAD"

keys b
wait_for "create branch: "
type_text keep
keys Enter
wait_for "created keep"
[[ $(git -C "$repo" rev-parse refs/heads/keep) == "$made" ]] || fail "keep is not at the detached commit"
wait_row "(HEAD, keep)" "made detached"

keys q
wait_exit 0
echo "detached commit checks passed"
