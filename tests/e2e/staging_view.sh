#!/usr/bin/env bash
# The staging view in a real terminal, checked against the bytes git keeps:
# the program opens in it over uncommitted work; s stages exactly the first
# of two hunks far apart, u in the staged list takes it back, d then n keeps
# the file and d then y discards the hunk; a stopped merge shows the
# conflict view, where 2 and S leave the file and the index equal to git's
# own merge that takes their side.
# Usage: bash staging_view.sh TARNWICK_BINARY
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
seq 1 40 >"$repo/f.txt"
git -C "$repo" add f.txt
on_day 1 git -C "$repo" commit -q -m base
sed 's/^3$/three/; s/^35$/thirtyfive/' "$repo/f.txt" >"$E2E_WORK/both"
sed 's/^3$/three/' "$repo/f.txt" >"$E2E_WORK/first"
sed 's/^35$/thirtyfive/' "$repo/f.txt" >"$E2E_WORK/second"
cp "$repo/f.txt" "$E2E_WORK/base"
cp "$E2E_WORK/both" "$repo/f.txt"
echo fresh >"$repo/u.txt"

start_app "$repo"
wait_for "Unstaged (2)"
wait_for "(s)tage  (d)iscard"

keys s
wait_bytes "$E2E_WORK/first" "s staged more than the first hunk" git -C "$repo" show :f.txt
wait_bytes "$E2E_WORK/both" "s changed the work tree" cat "$repo/f.txt"
wait_for "Staged (1)"

keys C-l
wait_for "(u)nstage"
keys u
wait_bytes "$E2E_WORK/base" "u did not take the hunk back" git -C "$repo" show :f.txt
wait_for "Staged (0)"

keys C-h
wait_for "(s)tage  (d)iscard"
keys d
wait_for "Discard this hunk from f.txt?"
keys n
wait_gone "Discard this hunk"
cmp -s "$E2E_WORK/both" "$repo/f.txt" || fail "d then n changed the file"
keys d
wait_for "Discard this hunk from f.txt?"
keys y
wait_bytes "$E2E_WORK/second" "d then y did not discard the first hunk" cat "$repo/f.txt"
wait_bytes "$E2E_WORK/base" "the discard touched the index" git -C "$repo" show :f.txt
[[ $(cat "$repo/u.txt") == fresh ]] || fail "the untracked file changed"

# Esc goes back to the log; q there ends the program.
keys Escape
wait_for "base"
wait_gone "Unstaged ("
keys q
wait_exit 0
[[ ! -s "$E2E_WORK/stderr" ]] || fail "unexpected output on standard error: $(cat "$E2E_WORK/stderr")"

# A merge stopped on a conflict.
merge="$E2E_WORK/merge"
git init -q "$merge"
printf 'top\nshared\nbottom\n' >"$merge/c.txt"
git -C "$merge" add c.txt
on_day 1 git -C "$merge" commit -q -m base
git -C "$merge" checkout -q -b side
printf 'top\ntheirs line\nbottom\n' >"$merge/c.txt"
on_day 2 git -C "$merge" commit -q -am side
git -C "$merge" checkout -q main
printf 'top\nours line\nbottom\n' >"$merge/c.txt"
on_day 3 git -C "$merge" commit -q -am main
git -C "$merge" merge side >/dev/null 2>&1 && fail "the merge did not stop"
for stage in 1 2 3; do git -C "$merge" show ":$stage:c.txt" >"$E2E_WORK/stage$stage"; done
git merge-file -p --theirs "$E2E_WORK/stage2" "$E2E_WORK/stage1" "$E2E_WORK/stage3" >"$E2E_WORK/theirs" || true

tm kill-session -t "$E2E_SESSION"
start_app "$merge"
wait_for "conflict 1 of 1"
wait_for "─── merging (side)"
wait_for "1 conflict"
keys 2
wait_bytes "$E2E_WORK/theirs" "2 did not take their side" cat "$merge/c.txt"
keys S
# Only the staged list counts what was resolved.
wait_for "1 resolved"
for ((i = 0; i < 100; i++)); do
  [[ -z $(git -C "$merge" ls-files -u) ]] && break
  sleep 0.05
done
[[ -z $(git -C "$merge" ls-files -u) ]] || fail "S left conflict entries"
wait_bytes "$merge/c.txt" "the index does not hold the file" git -C "$merge" show :c.txt
keys Escape
wait_gone "Staged ("
keys q
wait_exit 0

echo "staging view checks passed"
