# Starting the log view with the default limit: tarnwick from start to its
# first frame (open, 2000 commits with their graph, the UI state, the watcher
# started, one 200x60 frame drawn into memory) beside git printing the same
# 2000 commits as a graph.
. "$BENCH_LIB"

bench_title "log view start, default limit of 2000 commits"

first_frame=("$BENCH_BUILD/bench_loop" --first-frame "$BENCH_REPO")
"${first_frame[@]}" || {
  echo "bench_loop --first-frame drew no frame" >&2
  exit 1
}

bench_measure ours "tarnwick start to first frame" "${first_frame[@]}" || exit 1
bench_measure graph "tarnwick --debug-graph -n 2000" "$BENCH_BIN" --debug-graph -n 2000 "$BENCH_REPO" || exit 1
bench_measure git "git log --graph --oneline -n 2000 --branches --remotes" \
  git -C "$BENCH_REPO" log --graph --oneline -n 2000 --branches --remotes || exit 1
bench_ratio "tarnwick first frame / git log --graph -n 2000" ours git
bench_ratio "tarnwick --debug-graph -n 2000 / git log --graph -n 2000" graph git
