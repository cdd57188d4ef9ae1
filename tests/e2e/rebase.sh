#!/usr/bin/env bash
# A conflicting rebase in a real terminal, driven by keys: r on topic's tip
# opens the target prompt, Tab completes "ma" to main, Enter stops on the
# first commit's conflict in the staging view (side 1 main's version, side 2
# topic's); 2, S and c go on to the second commit's conflict in a fresh
# view, and 2, S and c again finish with topic on top of main and its tip
# selected. Then a rebase of side: Esc in the conflict view aborts it; a
# second one, with the target's side taken and staged, closes the view and
# leaves the stopped rebase, where q does nothing and Esc aborts. Last a
# rebase of pair, whose two commits both conflict: main's side of the first,
# staged, closes the view; Enter goes on and stops on the second commit's
# conflict in the view, where 2, S and c finish it.
# Usage: bash rebase.sh TARNWICK_BINARY
. "$(dirname "$0")/lib/tmux.sh" "$1"

repo="$E2E_WORK/repo"
git init -q "$repo"
commit_all() { git -C "$repo" add -A && on_day "$1" git -C "$repo" commit -q -m "$2"; }

printf 'a\nb\nc\n' >"$repo/f.txt"
printf 'x\ny\nz\n' >"$repo/g.txt"
commit_all 1 base
git -C "$repo" checkout -q -b topic
printf 'a\nTOPIC1\nc\n' >"$repo/f.txt"
commit_all 2 "topic one"
printf 'x\nTOPIC2\nz\n' >"$repo/g.txt"
commit_all 3 "topic two"
git -C "$repo" checkout -q -b side main
printf 'a\nSIDE\nc\n' >"$repo/f.txt"
commit_all 4 "side work"
git -C "$repo" checkout -q -b pair main
printf 'a\nPAIR1\nc\n' >"$repo/f.txt"
commit_all 4 "pair one"
printf 'x\nPAIR2\nz\n' >"$repo/g.txt"
commit_all 4 "pair two"
git -C "$repo" checkout -q main
printf 'a\nMAIN\nc\n' >"$repo/f.txt"
printf 'x\nMAIN\nz\n' >"$repo/g.txt"
commit_all 5 "main work"
topic_before=$(git -C "$repo" rev-parse topic)
side_before=$(git -C "$repo" rev-parse side)

# Waits until the file holds exactly the text.
wait_file() {
  local file=$1 want=$2 i
  for ((i = 0; i < 100; i++)); do
    [[ $(cat "$file") == "$want" ]] && return 0
    sleep 0.05
  done
  fail "$file holds '$(cat "$file")', not '$want'"
}

# Selects the commit with this summary through the log search.
select_commit() {
  keys /
  wait_for "/█"
  type_text "$1"
  keys Enter
  wait_row "▶" "$1"
}

# r on side's commit, main as the target: git stops on f.txt.
stop_side_on_conflict() {
  select_commit "side work"
  keys r
  wait_for "rebase side onto: █"
  type_text main
  keys Enter
  wait_for "f.txt (rebase conflict)"
}

E2E_COLS=140 start_app "$repo"
wait_row "▶" "main work"

select_commit "topic two"
keys r
wait_for "rebase topic onto: █"
wait_for "tab → complete   enter → rebase   esc → cancel"
type_text ma
keys Tab
wait_for "rebase topic onto: main█"
keys Enter

# The first commit stops on f.txt.
wait_for "conflicts - use 1/2 to select side, S to stage when resolved"
wait_for "f.txt (rebase conflict)"
wait_row "rebasing onto (main)" "press 1"
wait_row "rebasing (topic)" "press 2"
[[ -d "$repo/.git/rebase-merge" ]] || fail "git did not stop"
keys c
wait_for "stage all changes before continuing rebase"
keys 2
wait_file "$repo/f.txt" $'a\nTOPIC1\nc'
keys S
wait_for "Resolved (1)"
wait_for "c:continue rebase"
keys c

# The second commit stops on g.txt, in a fresh view.
wait_for "g.txt (rebase conflict)"
wait_for "Resolved (0)"
keys 2
wait_file "$repo/g.txt" $'x\nTOPIC2\nz'
keys S
wait_for "Resolved (1)"
keys c
wait_for "rebase complete"
wait_gone "Resolved ("
[[ ! -d "$repo/.git/rebase-merge" ]] || fail "the rebase did not end"
[[ $(git -C "$repo" log --format=%s topic | tr '\n' ,) == "topic two,topic one,main work,base," ]] ||
  fail "topic is not on main: $(git -C "$repo" log --oneline topic)"
git -C "$repo" merge-base --is-ancestor main topic || fail "main is not in topic's history"
[[ $(git -C "$repo" rev-parse topic) != "$topic_before" ]] || fail "topic did not move"
wait_row "▶" "topic two"
wait_row "(HEAD → topic)" "topic two"

# Esc in the conflict view aborts.
stop_side_on_conflict
keys Escape
wait_for "rebase aborted"
wait_gone "(rebase conflict)"
[[ ! -d "$repo/.git/rebase-merge" ]] || fail "Esc did not abort"
[[ $(git -C "$repo" rev-parse side) == "$side_before" ]] || fail "the abort left side moved"

# Taking main's side and staging closes the view; the rebase stays stopped.
stop_side_on_conflict
keys 1
wait_file "$repo/f.txt" $'a\nMAIN\nc'
keys S
wait_for "rebase in progress - resolve conflicts, then Enter to continue or Esc to abort"
keys q
keys j
sleep 0.3
wait_for "rebase in progress - resolve conflicts, then Enter to continue or Esc to abort"
[[ ! -s "$E2E_WORK/status" ]] || fail "q ended the program during the rebase"
keys Escape
wait_for "rebase aborted"
wait_gone "rebase in progress"
[[ ! -d "$repo/.git/rebase-merge" ]] || fail "Esc did not abort"
[[ $(git -C "$repo" rev-parse side) == "$side_before" ]] || fail "the abort left side moved"

# Enter in the stopped rebase stops again on the next commit's conflict, in
# the view.
select_commit "pair two"
keys r
wait_for "rebase pair onto: █"
type_text main
keys Enter
wait_for "f.txt (rebase conflict)"
keys 1
wait_file "$repo/f.txt" $'a\nMAIN\nc'
keys S
wait_for "rebase in progress - resolve conflicts, then Enter to continue or Esc to abort"
keys Enter
wait_for "g.txt (rebase conflict)"
wait_for "conflicts - use 1/2 to select side, S to stage when resolved"
wait_for "Resolved (0)"
wait_row "rebasing (pair)" "press 2"
[[ -d "$repo/.git/rebase-merge" ]] || fail "git did not stop on the second commit"
keys 2
wait_file "$repo/g.txt" $'x\nPAIR2\nz'
keys S
wait_for "Resolved (1)"
keys c
wait_for "rebase complete"
wait_gone "Resolved ("
[[ ! -d "$repo/.git/rebase-merge" ]] || fail "the rebase of pair did not end"
# The first commit, left empty by main's side, is dropped.
[[ $(git -C "$repo" log --format=%s pair | tr '\n' ,) == "pair two,main work,base," ]] ||
  fail "pair is not on main: $(git -C "$repo" log --oneline pair)"
[[ $(git -C "$repo" symbolic-ref HEAD) == refs/heads/pair ]] || fail "HEAD is not on pair"
[[ $(git -C "$repo" show pair:f.txt) == $'a\nMAIN\nc' ]] || fail "pair's f.txt: $(git -C "$repo" show pair:f.txt)"
[[ $(git -C "$repo" show pair:g.txt) == $'x\nPAIR2\nz' ]] || fail "pair's g.txt: $(git -C "$repo" show pair:g.txt)"
[[ -z $(git -C "$repo" status --porcelain) ]] || fail "work tree not clean: $(git -C "$repo" status --porcelain)"
wait_row "▶" "pair two"
wait_row "(HEAD → pair)" "pair two"

# The first q clears the search, the second ends the program.
keys q
keys q
wait_exit 0
[[ ! -s "$E2E_WORK/stderr" ]] || fail "unexpected output on standard error: $(cat "$E2E_WORK/stderr")"
echo "rebase checks passed"
