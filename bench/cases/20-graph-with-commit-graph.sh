# The same comparison on a copy of the repository that has a commit-graph
# file, as `git gc` leaves behind in most long-lived repositories: git reads
# parents and dates from it instead of from every commit object.
. "$BENCH_LIB"

copy=$BENCH_OUT/with-commit-graph
bench_copy_with_commit_graph "$copy"

bench_title "commit graph of all branches and remotes, with a commit-graph file"
bench_measure tarnwick "tarnwick --debug-graph -a" \
  "$BENCH_BIN" --debug-graph -a "$copy" || exit 1
bench_measure log "git log --graph --oneline --branches --remotes" \
  git -C "$copy" log --graph --oneline --branches --remotes || exit 1
bench_measure revlist "git rev-list --topo-order --branches --remotes" \
  git -C "$copy" rev-list --topo-order --branches --remotes || exit 1
bench_ratio "tarnwick / git log --graph" tarnwick log
bench_ratio "tarnwick / git rev-list --topo-order" tarnwick revlist
rm -rf "$copy"
