#!/usr/bin/env bash
# The first commit of a new repository, made from the staging view in a real
# terminal: the staged side is the index against the empty tree, U takes a
# file out of the index as git rm --cached does, and c makes the root commit
# on the branch HEAD names, with an editor set with arguments.
# Usage: bash first_commit.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
git init -q "$repo"
printf 'hello\nworld\n' >"$repo/a.txt"
echo "second file" >"$repo/b.txt"
git -C "$repo" add a.txt b.txt
echo "never staged" >"$repo/u.txt"

editor="$E2E_WORK/editor"
cat >"$editor" <<'SCRIPT'
#!/bin/sh
# Called as "editor --wait FILE": the option first, as the user set it.
[ "$1" = --wait ] || exit 3
printf 'Start the project\n\nWith a greeting.\n' >"$2"
SCRIPT
chmod +x "$editor"
export EDITOR="$editor --wait"

start_app "$repo"
wait_for "Staged (2)"
keys l
wait_for "+hello"
wait_row "a.txt" "+2 -0"
keys C-j
wait_for "+second file"
keys U
wait_for "Staged (1)"
[[ $(git -C "$repo" ls-files) == a.txt ]] || fail "U left the index as: $(git -C "$repo" ls-files)"
[[ -f "$repo/b.txt" ]] || fail "U touched the work tree"

keys c
wait_for "committed successfully - more changes available"
[[ -z $(git -C "$repo" log -1 --format=%P HEAD) ]] || fail "the first commit has parents"
[[ $(git -C "$repo" rev-list --count HEAD) == 1 ]] || fail "not one commit"
[[ $(git -C "$repo" symbolic-ref HEAD) == refs/heads/main ]] || fail "HEAD left main"
[[ $(git -C "$repo" ls-tree -r --name-only HEAD) == a.txt ]] || fail "recorded: $(git -C "$repo" ls-tree -r --name-only HEAD)"
message=$(git -C "$repo" cat-file commit HEAD | sed '1,/^$/d')
[[ $message == $'Start the project\n\nWith a greeting.' ]] || fail "stored message: $message"
[[ $(git -C "$repo" status --porcelain) == $'?? b.txt\n?? u.txt' ]] || fail "left: $(git -C "$repo" status --porcelain)"
[[ -z $(git -C "$repo" fsck --strict --no-dangling 2>&1) ]] || fail "fsck: $(git -C "$repo" fsck --strict 2>&1)"
wait_for "Unstaged (2)"

keys Tab
wait_row "▶" "Start the project"
wait_for "HEAD → main"
keys q
wait_exit 0
echo "first commit checks passed"
