# Keys while the log reloads: tarnwick runs in a terminal of its own on a
# copy of the repository while a commit is made from outside, and then a
# fetch brings one, each with its j and k answered meanwhile; without and
# with a commit-graph file. The outside commit sits just below a commit on
# screen (a child dated a second before its parent), so the reload shows.
. "$BENCH_LIB"

work=$BENCH_OUT/reload-keys
rm -rf "$work"
mkdir -p "$work"
cp -a "$BENCH_REPO" "$work/repo"
git clone -q --shared --bare "$work/repo" "$work/other.git"
git -C "$work/repo" remote add bench-other "$work/other.git" 2>/dev/null || true

marker=$(bench_newest_word)

# An outside commit whose row lands among the rows on screen.
cat >"$work/commit.sh" <<'SH'
set -e
git_dir=$1 name=$2 ref=$3
parent=$(git --git-dir="$git_dir" rev-parse "main~3")
time=$(git --git-dir="$git_dir" log -1 --format=%ct "$parent")
commit=$(GIT_COMMITTER_DATE="$((time - 1)) +0000" git --git-dir="$git_dir" \
  commit-tree -p "$parent" -m "$name" "$parent^{tree}")
git --git-dir="$git_dir" update-ref "$ref" "$commit"
SH

run_case() {
  local title=$1
  bench_title "$title"
  bench_key_waits "outside commit" "$marker" \
    "sh $work/commit.sh $work/repo/.git bench-commit-$2 refs/heads/bench-commit-$2" \
    "bench-commit-$2" "$BENCH_BIN" "$work/repo" || exit 1
  bench_key_waits "fetch" "$marker" \
    "sh $work/commit.sh $work/other.git bench-fetch-$2 refs/heads/bench-fetch-$2 &&
     git -C $work/repo fetch -q bench-other bench-fetch-$2:refs/remotes/bench-other/bench-fetch-$2" \
    "bench-fetch-$2" "$BENCH_BIN" "$work/repo" || exit 1
}

run_case "keys while the log reloads, without a commit-graph file" 1
git -C "$work/repo" commit-graph write --reachable 2>/dev/null
run_case "keys while the log reloads, with a commit-graph file" 2

# The whole history held: the model replaced is as long as the new one.
# The first load behind the first frame ends before the outside commit.
bench_title "keys while the whole history (-a) reloads, with a commit-graph file"
bench_key_waits "outside commit" "$marker" \
  "sleep 5; sh $work/commit.sh $work/repo/.git bench-commit-all refs/heads/bench-commit-all" \
  "bench-commit-all" "$BENCH_BIN" -a "$work/repo" || exit 1

bench_title "Repo::refresh, with a commit-graph file"
"$BENCH_BUILD/bench_loop" "$work/repo" | grep -E "refresh|first frame"
rm -rf "$work"
