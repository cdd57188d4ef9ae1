#!/usr/bin/env bash
# The staging view follows changes made from another terminal: a git add
# moves the file to the staged list and a commit empties it, while the
# selected file keeps its place and scroll; s then stages the hunk under the
# cursor of what is there, checked against the bytes git keeps.
# Usage: bash staging_view_outside.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

# Waits until the command's output equals the file's bytes.
wait_bytes() {
  local want=$1 what=$2 i
  shift 2
  for ((i = 0; i < 100; i++)); do
    cmp -s "$want" <("$@") && return 0
    sleep 0.05
  done
  fail "$what: $(diff <("$@") "$want" | head -5)"
}

repo="$E2E_WORK/repo"
git init -q "$repo"
for f in a b c d; do seq 1 40 >"$repo/$f.txt"; done
git -C "$repo" add .
GIT_AUTHOR_DATE="2024-01-01 12:00:00 +0000" GIT_COMMITTER_DATE="2024-01-01 12:00:00 +0000" \
  git -C "$repo" commit -q -m base
for f in a b d; do sed -i 's/^20$/changed/' "$repo/$f.txt"; done
sed 's/^3$/three/; s/^35$/thirtyfive/' "$repo/c.txt" >"$E2E_WORK/c_both"
seq 1 40 | sed 's/^35$/thirtyfive/' >"$E2E_WORK/c_second"
cp "$E2E_WORK/c_both" "$repo/c.txt"

start_app "$repo"
wait_for "Unstaged (4)"
# c.txt, scrolled to its second hunk.
keys C-j
keys C-j
wait_for "┌ c.txt"
keys n
wait_for "thirtyfive"

# Another terminal stages a.txt: the lists follow, c.txt stays shown where it was.
git -C "$repo" add a.txt
wait_for "Unstaged (3)" 5
wait_for "Staged (1)"
wait_for "┌ c.txt"
wait_for "thirtyfive"

# ... and commits it.
GIT_AUTHOR_DATE="2024-01-02 12:00:00 +0000" GIT_COMMITTER_DATE="2024-01-02 12:00:00 +0000" \
  git -C "$repo" commit -q -m outside
wait_for "Staged (0)" 5
wait_for "┌ c.txt"
[[ $(git -C "$repo" show HEAD:a.txt | sed -n 20p) == changed ]] || fail "the outside commit lost a.txt"

keys s
wait_bytes "$E2E_WORK/c_second" "s did not stage the hunk under the cursor" git -C "$repo" show :c.txt
wait_bytes "$E2E_WORK/c_both" "s changed the work tree" cat "$repo/c.txt"
wait_for "Staged (1)"
[[ $(git -C "$repo" diff --cached --name-only) == c.txt ]] || fail "more than c.txt is staged"

keys Escape
wait_gone "Unstaged ("
wait_for "outside"
keys q
wait_exit 0
[[ ! -s "$E2E_WORK/stderr" ]] || fail "unexpected output on standard error: $(cat "$E2E_WORK/stderr")"
echo "staging view outside-change checks passed"
