#!/usr/bin/env bash
# A repository with commit hooks, in a real terminal: git makes the commit,
# so a pre-commit hook that refuses keeps the view with git's reason, and
# once it passes the next c starts from the message already typed; the
# commit-msg hook sees the message that is stored.
# Usage: bash commit_hooks.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"
head=$(git -C "$repo" rev-parse HEAD)
echo changed >"$repo/file.txt"
git -C "$repo" add file.txt

hooks="$repo/.git/hooks"
cat >"$hooks/pre-commit" <<'HOOK'
#!/bin/sh
[ -f "$(git rev-parse --git-dir)/lint-ok" ] && exit 0
echo "lint: trailing blanks in file.txt" >&2
exit 1
HOOK
cat >"$hooks/commit-msg" <<'HOOK'
#!/bin/sh
cp "$1" "$(git rev-parse --git-dir)/commit-msg-saw"
HOOK
chmod +x "$hooks/pre-commit" "$hooks/commit-msg"

editor="$E2E_WORK/editor"
cat >"$editor" <<'SCRIPT'
#!/bin/sh
# Types the message once; a retry offers it again and is saved as it is.
n=$(( $(cat "$0.runs" 2>/dev/null || echo 0) + 1 )); echo $n >"$0.runs"
cp "$1" "$0.seen$n"
[ $n = 1 ] && printf 'Pass the hooks\n\nTyped only once.\n' >"$1"
exit 0
SCRIPT
chmod +x "$editor"
export EDITOR="$editor"

start_app "$repo"
wait_for "Staged (1)"
keys c
wait_for "commit failed: lint: trailing blanks in file.txt"
[[ $(git -C "$repo" rev-parse HEAD) == "$head" ]] || fail "the refused commit was made"
wait_for "Staged (1)"

touch "$repo/.git/lint-ok"
keys c
wait_for "committed successfully"
[[ $(cat "$editor.seen2") == $'Pass the hooks\n\nTyped only once.' ]] || fail "the retry offered: $(cat "$editor.seen2")"
[[ $(git -C "$repo" rev-parse HEAD~1) == "$head" ]] || fail "not one commit on top of HEAD"
message=$(git -C "$repo" cat-file commit HEAD | sed '1,/^$/d')
[[ $message == $'Pass the hooks\n\nTyped only once.' ]] || fail "stored message: $message"
cmp -s <(printf 'Pass the hooks\n\nTyped only once.') "$repo/.git/commit-msg-saw" || fail "commit-msg saw: $(cat "$repo/.git/commit-msg-saw")"
[[ -z $(git -C "$repo" status --porcelain --untracked-files=no) ]] || fail "left: $(git -C "$repo" status --porcelain)"
wait_row "▶" "Pass the hooks"

keys q
wait_exit 0
echo "commit hooks checks passed"
