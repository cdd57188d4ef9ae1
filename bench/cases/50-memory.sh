# Resident memory with the whole history held (-a): tarnwick in a terminal
# once the whole log has landed behind its first frame, and the model alone
# (bench_memory), without and with a commit-graph file, per commit.
. "$BENCH_LIB"

commits=$(git -C "$BENCH_REPO" rev-list --count --branches --remotes)
marker=$(bench_newest_word)
copy=$BENCH_OUT/memory-with-commit-graph
bench_copy_with_commit_graph "$copy"

for repo in "$BENCH_REPO" "$copy"; do
  if [[ $repo == "$copy" ]]; then
    bench_title "memory with -a ($commits commits), with a commit-graph file"
  else
    bench_title "memory with -a ($commits commits), without a commit-graph file"
  fi
  bench_first_frame all "tarnwick -a, all loaded" "$marker" --quiet 3000 -- "$BENCH_BIN" -a "$repo" || exit 1
  printf '  %-48s %8s B/commit\n' "resident per commit" $((BENCH_RSS_KB[all] * 1024 / commits))
  "$BENCH_BUILD/bench_memory" "$repo" | tail -n +3
done
rm -rf "$copy"
