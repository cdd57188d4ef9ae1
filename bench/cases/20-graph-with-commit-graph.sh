# The same comparison on a copy of the repository that has a commit-graph
# file, as `git gc` leaves behind in most long-lived repositories: git reads
# parents and dates from it instead of from every commit object.
. "$BENCH_LIB"

copy=$BENCH_OUT/with-commit-graph.git
rm -rf "$copy"
cp -a "$BENCH_REPO/.git" "$copy"
git --git-dir="$copy" config core.commitGraph true
git --git-dir="$copy" commit-graph write --reachable 2>/dev/null

bench_title "commit graph of all branches and remotes, with a commit-graph file"
bench_measure tarnwick "tarnwick --debug-graph -a" \
  "$BENCH_BIN" --debug-graph -a "$copy" || exit 1
bench_measure log "git log --graph --oneline --branches --remotes" \
  git --git-dir="$copy" log --graph --oneline --branches --remotes || exit 1
bench_measure revlist "git rev-list --topo-order --branches --remotes" \
  git --git-dir="$copy" rev-list --topo-order --branches --remotes || exit 1
bench_ratio "tarnwick / git log --graph" tarnwick log
bench_ratio "tarnwick / git rev-list --topo-order" tarnwick revlist
rm -rf "$copy"
