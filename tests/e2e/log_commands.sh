#!/usr/bin/env bash
# The log's commands on a commit in a real terminal: y copies the id through
# a stand-in xclip, c checks out (at once on a commit without a branch,
# through the prompt on one with), p pushes to a bare origin and the new
# remote-tracking label appears, f fetches a commit pushed from elsewhere.
# With an origin that wants a password, push and fetch fail with git's own
# message, nothing else lands on the screen and the keys still work.
# Usage: bash log_commands.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

wall_pid=""
trap '[[ -n $wall_pid ]] && kill "$wall_pid" 2>/dev/null; e2e_cleanup' EXIT
unset GIT_ASKPASS SSH_ASKPASS DISPLAY WAYLAND_DISPLAY

# A stand-in clipboard, found before any real one.
mkdir -p "$E2E_WORK/bin"
cat >"$E2E_WORK/bin/xclip" <<SCRIPT
#!/bin/sh
cat >"$E2E_WORK/clipboard"
SCRIPT
chmod +x "$E2E_WORK/bin/xclip"
export PATH="$E2E_WORK/bin:$PATH"

repo="$E2E_WORK/repo"
origin="$E2E_WORK/origin.git"
make_repo "$repo"
git init -q --bare -b main "$origin"
git -C "$repo" remote add origin "$origin"
git -C "$repo" push -q -u origin main
echo 4 >"$repo/file.txt"
on_day 4 git -C "$repo" commit -q -am "commit number 4"
git -C "$repo" branch topic
short() { git -C "$repo" rev-parse --short=7 "$1"; }

E2E_COLS=140 start_app "$repo"
wait_row "▶" "commit number 4"

# y: the 40 digits, no line end.
keys y
wait_for "copied $(short HEAD)"
[[ $(cat "$E2E_WORK/clipboard") == "$(git -C "$repo" rev-parse HEAD)" ]] || fail "the clipboard got '$(cat "$E2E_WORK/clipboard")'"
[[ $(wc -c <"$E2E_WORK/clipboard") == 40 ]] || fail "the clipboard got a line end"

# p: the prompt holds the first local branch; push topic instead.
keys p
wait_for "push: main█"
keys C-u # types nothing: the prompt has no Ctrl-u
for _ in 1 2 3 4; do keys BSpace; done
type_text topic
wait_for "push: topic█"
keys Enter
wait_for "pushed topic"
wait_row "origin/topic" "commit number 4"
[[ $(git -C "$origin" rev-parse refs/heads/topic) == "$(git -C "$repo" rev-parse HEAD)" ]] || fail "origin has no topic"

# c on a commit without a local branch: checked out at once, detached.
keys j j
wait_row "▶" "commit number 2"
keys c
wait_for "checked out $(short HEAD~2)"
[[ $(git -C "$repo" rev-parse HEAD) == "$(git -C "$repo" rev-parse main~2)" ]] || fail "HEAD did not move"
git -C "$repo" symbolic-ref -q HEAD >/dev/null && fail "HEAD is not detached"

# c on a commit with branches: the prompt; q types a q, Backspace takes it back.
keys g
wait_row "▶" "commit number 4"
keys c
wait_for "checkout: █"
type_text maiq
wait_for "checkout: maiq█"
keys BSpace
type_text n
keys Enter
wait_for "checked out main"
[[ $(git -C "$repo" symbolic-ref HEAD) == refs/heads/main ]] || fail "HEAD is not on main"

# f: a commit pushed from a second clone arrives.
git clone -q "$origin" "$E2E_WORK/clone"
echo 5 >"$E2E_WORK/clone/file.txt"
on_day 5 git -C "$E2E_WORK/clone" commit -q -am "commit number 5"
git -C "$E2E_WORK/clone" push -q origin main
keys f
wait_for "fetched"
wait_row "origin/main" "commit number 5"

# An origin that answers 401: git's message, and nothing of git on screen.
"$(dirname "$E2E_BIN")/auth_wall" "$E2E_WORK/port" &
wall_pid=$!
for ((i = 0; i < 100; i++)); do
  [[ -s "$E2E_WORK/port" ]] && break
  sleep 0.05
done
[[ -s "$E2E_WORK/port" ]] || fail "the 401 server did not start"
port=$(cat "$E2E_WORK/port")
git -C "$repo" remote set-url origin "http://127.0.0.1:$port/r.git"
why="fatal: could not read Username for 'http://127.0.0.1:$port': terminal prompts disabled"

keys g
wait_row "▶" "commit number 5"
keys j
wait_row "▶" "commit number 4"
keys p
wait_for "push: "
keys Enter
wait_for "push failed: $why"
keys f
wait_for "fetch failed: $why"
[[ $(pane | grep -c "Username") == 1 ]] || fail "git wrote over the screen"
pane | grep -q "Password" && fail "a password prompt is on the screen"
# The keys still reach the log.
keys j
wait_row "▶" "commit number 3"

keys q
wait_exit 0
echo "log command checks passed"
