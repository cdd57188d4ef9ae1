# The program in a real terminal: a private tmux server, a fixed size, UTC, a
# private HOME and git configuration. Source it from an e2e script:
#
#   . "$(dirname "$0")/lib/tmux.sh" "$1"     # $1: the tarnwick binary
#   make_repo "$E2E_WORK/repo"               # or any git commands of your own,
#                                            # each commit made with on_day N
#   start_app "$E2E_WORK/repo"               # 100 x 30 unless E2E_COLS / E2E_ROWS say otherwise
#   wait_for "first commit"                  # polls capture-pane, fails after a few seconds
#   keys j                                   # send-keys; send Esc in a call of its own
#   wait_exit 0                              # the program's exit status
#
# Every helper fails the script with a message and the pane's text.

set -euo pipefail

E2E_BIN=${1:?usage: script TARNWICK_BINARY}
E2E_WORK=$(mktemp -d)
E2E_SOCKET="tw$$"
E2E_SESSION=t
export HOME="$E2E_WORK/home" GIT_CONFIG_NOSYSTEM=1 TZ=UTC LC_ALL=C.UTF-8
unset GIT_DIR GIT_WORK_TREE GIT_INDEX_FILE TMUX
mkdir -p "$HOME"
git config --global user.name "E2E Tester"
git config --global user.email "e2e@example.com"
git config --global init.defaultBranch main

tm() { tmux -u -L "$E2E_SOCKET" -f /dev/null "$@"; }

e2e_cleanup() {
  tm kill-server 2>/dev/null || true
  rm -rf "$E2E_WORK"
}
trap e2e_cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if tm has-session -t "$E2E_SESSION" 2>/dev/null; then
    echo "--- pane ---" >&2
    tm capture-pane -p -t "$E2E_SESSION" >&2 || true
  fi
  exit 1
}

# Runs a command that makes a commit (git commit, merge, ...) with the
# author and committer dates of day N of the fixtures: noon UTC on
# 2024-01-01 plus N - 1 days, plus one second for every fixture commit made
# before it, so that no two share a date even on the same day and the log's
# order never hangs on which second a commit happened to be made in.
#   on_day 4 git -C "$repo" commit -q -m "commit number 4"
E2E_FIXTURE_COMMITS=0
on_day() {
  E2E_FIXTURE_COMMITS=$((E2E_FIXTURE_COMMITS + 1))
  local stamp=$((1704110400 + ($1 - 1) * 86400 + E2E_FIXTURE_COMMITS))
  GIT_AUTHOR_DATE="@$stamp +0000" GIT_COMMITTER_DATE="@$stamp +0000" "${@:2}"
}

# A repository with three commits on main, on days 1 to 3.
make_repo() {
  local dir=$1 i
  git init -q "$dir"
  for i in 1 2 3; do
    echo "$i" >"$dir/file.txt"
    git -C "$dir" add file.txt
    on_day "$i" git -C "$dir" commit -q -m "commit number $i"
  done
}

# Starts the program in the repository; its exit status lands in $E2E_WORK/status.
start_app() {
  local dir=$1
  shift
  local cols=${E2E_COLS:-100} rows=${E2E_ROWS:-30} args="" a
  for a in "$@"; do args+=" $(printf '%q' "$a")"; done
  cat >"$E2E_WORK/run.sh" <<RUN
cd $(printf '%q' "$dir")
$(printf '%q' "$E2E_BIN")$args 2>"$E2E_WORK/stderr"
echo \$? >"$E2E_WORK/status"
sleep 600
RUN
  rm -f "$E2E_WORK/status"
  tm new-session -d -s "$E2E_SESSION" -x "$cols" -y "$rows" -e TZ=UTC -e HOME="$HOME" \
    -e GIT_CONFIG_NOSYSTEM=1 -e LC_ALL=C.UTF-8 "sh '$E2E_WORK/run.sh'"
}

pane() { tm capture-pane -p -t "$E2E_SESSION"; }

# Waits until the pane shows the text (a fixed string), by default for 5 seconds.
wait_for() {
  local text=$1 tries=$((${2:-5} * 20)) i
  for ((i = 0; i < tries; i++)); do
    pane | grep -qF -- "$text" && return 0
    sleep 0.05
  done
  fail "the pane never showed '$text'"
}

# Waits until the pane no longer shows the text.
wait_gone() {
  local text=$1 tries=$((${2:-5} * 20)) i
  for ((i = 0; i < tries; i++)); do
    pane | grep -qF -- "$text" || return 0
    sleep 0.05
  done
  fail "the pane still shows '$text'"
}

# Waits until one row of the pane shows both texts (fixed strings), such as
# the selection marker and a summary.
wait_row() {
  local a=$1 b=$2 tries=$((${3:-5} * 20)) i
  for ((i = 0; i < tries; i++)); do
    pane | grep -F -- "$a" | grep -qF -- "$b" && return 0
    sleep 0.05
  done
  fail "no row ever showed both '$a' and '$b'"
}

# The pane's row (0-based) that holds the text, or fails.
row_of() {
  local n
  n=$(pane | grep -nF -- "$1" | head -1 | cut -d: -f1)
  [[ -n $n ]] || fail "no row holds '$1'"
  echo $((n - 1))
}

keys() { tm send-keys -t "$E2E_SESSION" "$@"; }
# Literal text, each character a key.
type_text() { tm send-keys -t "$E2E_SESSION" -l -- "$1"; }

pane_state() { tm display -p -t "$E2E_SESSION" "$1"; }

# Waits for the program to end and checks its exit status and that the
# alternate screen was left.
wait_exit() {
  local want=$1 i
  for ((i = 0; i < 100; i++)); do
    [[ -s "$E2E_WORK/status" ]] && break
    sleep 0.05
  done
  [[ -s "$E2E_WORK/status" ]] || fail "the program did not end"
  local got
  got=$(cat "$E2E_WORK/status")
  [[ $got == "$want" ]] || fail "exit status $got, expected $want; stderr: $(cat "$E2E_WORK/stderr")"
  [[ $(pane_state '#{alternate_on}') == 0 ]] || fail "the alternate screen is still on"
}
