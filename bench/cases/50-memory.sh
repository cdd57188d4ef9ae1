# Resident memory with the whole history held (-a): tarnwick in a terminal
# once the whole log has landed behind its first frame, and the model alone
# (bench_memory), without and with a commit-graph file, per commit.
. "$BENCH_LIB"

commits=$(git -C "$BENCH_REPO" rev-list --count --branches --remotes)
marker=$(git -C "$BENCH_REPO" log -1 --date-order --branches --remotes --format=%s)
marker=${marker##* }

copy=$BENCH_OUT/memory-with-commit-graph.git
rm -rf "$copy"
cp -a "$BENCH_REPO/.git" "$copy"
git --git-dir="$copy" commit-graph write --reachable 2>/dev/null

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
