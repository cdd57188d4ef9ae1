# Helpers for bench/cases/*.sh. A case starts with
#     . "$BENCH_LIB"
# and then measures commands and prints figures, for example
#     bench_title "commit graph"
#     bench_measure ours "tarnwick --debug-graph -a" "$BENCH_BIN" --debug-graph -a "$BENCH_REPO"
#     bench_measure git "git log --graph" git -C "$BENCH_REPO" log --graph --oneline --all
#     bench_ratio "tarnwick / git log --graph" ours git
# Pure bash: nothing beyond Debian's essential packages.

declare -gA BENCH_WALL_US=() BENCH_RSS_KB=()

# bench_title TEXT: a heading for the figures that follow.
bench_title() {
  printf '\n%s\n' "$*"
}

# bench_seconds MICROSECONDS: "1.234".
bench_seconds() {
  printf '%d.%03d' $(($1 / 1000000)) $((($1 % 1000000 + 500) / 1000))
}

# bench_mib KIB: "123.4".
bench_mib() {
  local tenths=$((($1 * 10 + 512) / 1024))
  printf '%d.%d' $((tenths / 10)) $((tenths % 10))
}

# bench_quotient A B: A / B as "0.53"; "n/a" when B is 0 or missing.
bench_quotient() {
  if [[ -z ${1:-} || -z ${2:-} || $2 -eq 0 ]]; then
    printf 'n/a'
    return
  fi
  local hundredths=$((($1 * 100 + $2 / 2) / $2))
  printf '%d.%02d' $((hundredths / 100)) $((hundredths % 100))
}

# bench_measure KEY LABEL COMMAND [ARG...]
#   Runs COMMAND BENCH_RUNS times in a row (standard output to /dev/null),
#   prints LABEL with the best wall time and the peak memory, and keeps the
#   figures under KEY for bench_ratio. Returns 1 when a run fails.
bench_measure() {
  local key=$1 label=$2
  shift 2
  local line
  if ! line=$("$BENCH_MEASURE" --runs "$BENCH_RUNS" -- "$@"); then
    printf '  %-48s %s\n' "$label" "FAILED"
    return 1
  fi
  bench_keep "$key" "$label" "$line" ""
}

# bench_keep KEY LABEL LINE SUFFIX: prints the wall times and memory of a
#   measured line (wall_us=... median_us=... rss_kb=...) after LABEL, the
#   memory followed by SUFFIX, and keeps them under KEY for bench_ratio.
bench_keep() {
  local key=$1 label=$2 line=$3 suffix=$4
  local field wall= rss= median=
  for field in $line; do
    case $field in
      wall_us=*) wall=${field#*=} ;;
      median_us=*) median=${field#*=} ;;
      rss_kb=*) rss=${field#*=} ;;
    esac
  done
  BENCH_WALL_US[$key]=$wall
  BENCH_RSS_KB[$key]=$rss
  printf '  %-48s %8s s  (median %s s)  %8s MiB%s\n' "$label" "$(bench_seconds "$wall")" \
    "$(bench_seconds "$median")" "$(bench_mib "$rss")" "$suffix"
}

# bench_ratio LABEL KEY_A KEY_B: wall time and peak memory of A over B.
bench_ratio() {
  local label=$1 a=$2 b=$3
  printf '  %-48s %8s x wall                %8s x memory\n' "$label" \
    "$(bench_quotient "${BENCH_WALL_US[$a]:-}" "${BENCH_WALL_US[$b]:-}")" \
    "$(bench_quotient "${BENCH_RSS_KB[$a]:-}" "${BENCH_RSS_KB[$b]:-}")"
}

# bench_first_frame KEY LABEL MARKER [--quiet MS] -- COMMAND [ARG...]
#   Starts COMMAND BENCH_RUNS times in a terminal of its own (200x60) and
#   prints LABEL with the best time until MARKER shows on its screen and the
#   program's resident memory then (with --quiet MS: once it has drawn
#   nothing for MS milliseconds more); keeps the figures under KEY.
bench_first_frame() {
  local key=$1 label=$2 marker=$3
  shift 3
  local options=()
  while [[ $1 != -- ]]; do
    options+=("$1")
    shift
  done
  shift
  local line
  if ! line=$("$BENCH_BUILD/pty_probe" --runs "$BENCH_RUNS" "${options[@]}" first-frame "$marker" -- "$@"); then
    printf '  %-48s %s\n' "$label" "FAILED"
    return 1
  fi
  bench_keep "$key" "$label" "$line" " resident"
}

# bench_key_waits LABEL READY_MARKER SCRIPT SEEN_MARKER COMMAND [ARG...]
#   Starts COMMAND in a terminal of its own, waits for READY_MARKER, then
#   runs SCRIPT while typing j and k, and prints the longest and the median
#   wait of a key for its frame, and how long after SCRIPT ended
#   SEEN_MARKER showed.
bench_key_waits() {
  local label=$1 ready=$2 script=$3 seen=$4
  shift 4
  local line
  if ! line=$("$BENCH_BUILD/pty_probe" key-wait --ready "$ready" --during "$script" --seen "$seen" -- "$@"); then
    printf '  %-48s %s\n' "$label" "FAILED"
    return 1
  fi
  local field keys= most= median= reload=
  for field in $line; do
    case $field in
      keys=*) keys=${field#*=} ;;
      max_us=*) most=${field#*=} ;;
      median_us=*) median=${field#*=} ;;
      reload_us=*) reload=${field#*=} ;;
    esac
  done
  printf '  %-48s %4s keys, longest %8s s, median %8s s; reloaded %s s after\n' "$label" "$keys" \
    "$(bench_seconds "$most")" "$(bench_seconds "$median")" "$(bench_seconds "$reload")"
}

# bench_have PROGRAM: whether a peer program is installed; says so when not.
bench_have() {
  command -v "$1" >/dev/null 2>&1 && return 0
  printf '  %-48s %s\n' "$1" "not installed (apt-get install $1): skipped"
  return 1
}

# bench_copy_with_commit_graph DIR: a copy of the benchmark repository, work
#   tree and all, at DIR with a commit-graph file, as `git gc` leaves behind
#   in most long-lived repositories. (A copy of .git alone would take the
#   directory around it for its work tree, whose files the program would
#   open the staging view for.)
bench_copy_with_commit_graph() {
  rm -rf "$1"
  cp -a "$BENCH_REPO" "$1"
  git -C "$1" config core.commitGraph true
  git -C "$1" commit-graph write --reachable 2>/dev/null
}

# bench_newest_word: the last word of the newest commit's summary, which
#   every log screen draws in one piece.
bench_newest_word() {
  local summary
  summary=$(git -C "$BENCH_REPO" log -1 --date-order --branches --remotes --format=%s)
  echo "${summary##* }"
}
