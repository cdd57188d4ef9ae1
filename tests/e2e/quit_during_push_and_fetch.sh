#!/usr/bin/env bash
# Quitting while a push or a fetch runs: the program ends at once and the git
# command runs to its end on its own, though it still has words to write (a
# remote hook that talks and takes its time, an upload-pack that does). After
# the push the remote's branch, the remote-tracking branch and the upstream
# that -u sets are all written; after the fetch the remote-tracking branch.
# Usage: bash quit_during_push_and_fetch.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
origin="$E2E_WORK/origin.git"
make_repo "$repo"
git init -q --bare -b main "$origin"
git -C "$repo" remote add origin "$origin"
git -C "$repo" push -q origin main
git -C "$repo" update-ref -d refs/remotes/origin/main
echo 4 >"$repo/file.txt"
git -C "$repo" commit -q -am "commit number 4"
cat >"$origin/hooks/pre-receive" <<HOOK
#!/bin/sh
cat >/dev/null
touch "$E2E_WORK/hook-started"
for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
  echo "checking \$i"
  sleep 0.1
done
touch "$E2E_WORK/hook-done"
HOOK
chmod +x "$origin/hooks/pre-receive"

start_app "$repo"
wait_row "▶" "commit number 4"
keys p
wait_for "push: main█"
keys Enter
for ((i = 0; i < 200; i++)); do
  [[ -e "$E2E_WORK/hook-started" ]] && break
  sleep 0.05
done
[[ -e "$E2E_WORK/hook-started" ]] || fail "the push never reached the remote's hook"
keys q
wait_exit 0
[[ ! -e "$E2E_WORK/hook-done" ]] || fail "quitting waited for the push"

# The push, left on its own, finishes what it began.
head=$(git -C "$repo" rev-parse HEAD)
for ((i = 0; i < 400; i++)); do
  [[ $(git -C "$repo" rev-parse -q --verify refs/remotes/origin/main || true) == "$head" ]] &&
    [[ $(git -C "$repo" config branch.main.remote || true) == origin ]] && break
  sleep 0.05
done
[[ -e "$E2E_WORK/hook-done" ]] || fail "the remote's hook was cut off"
[[ $(git -C "$origin" rev-parse refs/heads/main) == "$head" ]] || fail "the remote's main was not updated"
[[ $(git -C "$repo" rev-parse -q --verify refs/remotes/origin/main || true) == "$head" ]] ||
  fail "origin/main was never written"
[[ $(git -C "$repo" config branch.main.remote || true) == origin ]] || fail "the upstream was never set"
[[ $(git -C "$repo" config branch.main.merge || true) == refs/heads/main ]] || fail "the upstream was never set"

# A fetch whose upload-pack talks before and after it takes its time.
git clone -q "$origin" "$E2E_WORK/clone"
echo 5 >"$E2E_WORK/clone/file.txt"
git -C "$E2E_WORK/clone" commit -q -am "commit number 5"
git -C "$E2E_WORK/clone" push -q origin main 2>/dev/null
fetched=$(git -C "$E2E_WORK/clone" rev-parse HEAD)
cat >"$E2E_WORK/slow-upload-pack" <<PACK
#!/bin/sh
touch "$E2E_WORK/pack-started"
for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
  echo "preparing \$i" >&2
  sleep 0.1
done
exec git-upload-pack "\$@"
PACK
chmod +x "$E2E_WORK/slow-upload-pack"
git -C "$repo" config remote.origin.uploadpack "$E2E_WORK/slow-upload-pack"

tm kill-session -t "$E2E_SESSION"
start_app "$repo"
wait_row "▶" "commit number 4"
keys f
for ((i = 0; i < 200; i++)); do
  [[ -e "$E2E_WORK/pack-started" ]] && break
  sleep 0.05
done
[[ -e "$E2E_WORK/pack-started" ]] || fail "the fetch never started the remote's upload-pack"
keys q
wait_exit 0
[[ $(git -C "$repo" rev-parse -q --verify refs/remotes/origin/main || true) != "$fetched" ]] ||
  fail "quitting waited for the fetch"
for ((i = 0; i < 400; i++)); do
  [[ $(git -C "$repo" rev-parse -q --verify refs/remotes/origin/main || true) == "$fetched" ]] && break
  sleep 0.05
done
[[ $(git -C "$repo" rev-parse -q --verify refs/remotes/origin/main || true) == "$fetched" ]] ||
  fail "the fetch never wrote origin/main"
echo "quit during push and fetch checks passed"
