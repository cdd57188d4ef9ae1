# The commit graph of every branch and remote: tarnwick's whole load and
# graph print beside git's own graph log and its bare topological walk.
. "$BENCH_LIB"

bench_title "commit graph of all branches and remotes"

# A broken binary must not pass for a fast one: first check it prints one
# line per commit.
want=$(git -C "$BENCH_REPO" rev-list --count --branches --remotes)
got=$("$BENCH_BIN" --debug-graph -a "$BENCH_REPO" | wc -l)
if [[ $got != "$want" ]]; then
  echo "tarnwick printed $got lines for $want commits" >&2
  exit 1
fi

bench_measure tarnwick "tarnwick --debug-graph -a" \
  "$BENCH_BIN" --debug-graph -a "$BENCH_REPO" || exit 1
bench_measure log "git log --graph --oneline --branches --remotes" \
  git -C "$BENCH_REPO" log --graph --oneline --branches --remotes || exit 1
bench_measure revlist "git rev-list --topo-order --branches --remotes" \
  git -C "$BENCH_REPO" rev-list --topo-order --branches --remotes || exit 1
bench_ratio "tarnwick / git log --graph" tarnwick log
bench_ratio "tarnwick / git rev-list --topo-order" tarnwick revlist
