# Starting the log view with the default limit. In a terminal of its own,
# from start to the first frame that shows the newest commit: tarnwick
# beside tig --all, without and with a commit-graph file. In memory: start
# to first frame (open, the commits with their graph, the UI state, one
# 200x60 frame) beside git printing the same 2000 commits as a graph.
. "$BENCH_LIB"

bench_title "log view start, default limit of 2000 commits"

first_frame=("$BENCH_BUILD/bench_loop" --first-frame "$BENCH_REPO")
"${first_frame[@]}" || {
  echo "bench_loop --first-frame drew no frame" >&2
  exit 1
}

bench_measure ours "tarnwick start to first frame (in memory)" "${first_frame[@]}" || exit 1
bench_measure graph "tarnwick --debug-graph -n 2000" "$BENCH_BIN" --debug-graph -n 2000 "$BENCH_REPO" || exit 1
bench_measure git "git log --graph --oneline -n 2000 --branches --remotes" \
  git -C "$BENCH_REPO" log --graph --oneline -n 2000 --branches --remotes || exit 1
bench_ratio "tarnwick first frame / git log --graph -n 2000" ours git
bench_ratio "tarnwick --debug-graph -n 2000 / git log --graph -n 2000" graph git

marker=$(bench_newest_word)
copy=$BENCH_OUT/start-with-commit-graph
bench_copy_with_commit_graph "$copy"

for repo in "$BENCH_REPO" "$copy"; do
  if [[ $repo == "$copy" ]]; then
    bench_title "first frame in a terminal, with a commit-graph file"
  else
    bench_title "first frame in a terminal, without a commit-graph file"
  fi
  bench_first_frame tarnwick "tarnwick" "$marker" -- "$BENCH_BIN" "$repo" || exit 1
  if bench_have tig; then
    bench_first_frame tig "tig --all" "$marker" -- tig -C "$repo" --all || exit 1
    bench_ratio "tarnwick / tig --all" tarnwick tig
  fi
done
rm -rf "$copy"
