#!/usr/bin/env bash
# Committing from the staging view in a real terminal: the program opens in
# the view over staged work, c hands the terminal to the editor (a script
# that writes a message under the guidance the program gave it), and the
# commit lands with exactly the message typed, guidance stripped.
# Usage: bash commit_flow.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
make_repo "$repo"
echo changed >"$repo/file.txt"
git -C "$repo" add file.txt

editor="$E2E_WORK/editor"
cat >"$editor" <<'SCRIPT'
#!/bin/sh
# Keeps what the program wrote, then types a subject and a body above it.
cp "$1" "$1.seen"
cp "$1" "$(dirname "$0")/seen"
{ printf 'Change the file\n\nBecause it had to.\n'; cat "$1.seen"; } >"$1"
rm -f "$1.seen"
SCRIPT
chmod +x "$editor"
export EDITOR="$editor"

start_app "$repo"
wait_for "Staged (1)"
keys c
wait_for "committed successfully"
[[ $(git -C "$repo" rev-list --count HEAD) == 4 ]] || fail "no new commit"
message=$(git -C "$repo" cat-file commit HEAD | sed '1,/^$/d')
[[ $message == $'Change the file\n\nBecause it had to.' ]] || fail "stored message: $message"
grep -q "^# " "$E2E_WORK/seen" || fail "the editor was not given the guidance"
[[ -z $(git -C "$repo" status --porcelain) ]] || fail "changes left behind"
wait_row "▶" "Change the file"

keys q
wait_exit 0
echo "commit flow checks passed"
