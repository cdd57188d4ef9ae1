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
  printf '  %-48s %8s s  (median %s s)  %8s MiB\n' "$label" "$(bench_seconds "$wall")" \
    "$(bench_seconds "$median")" "$(bench_mib "$rss")"
}

# bench_ratio LABEL KEY_A KEY_B: wall time and peak memory of A over B.
bench_ratio() {
  local label=$1 a=$2 b=$3
  printf '  %-48s %8s x wall                %8s x memory\n' "$label" \
    "$(bench_quotient "${BENCH_WALL_US[$a]:-}" "${BENCH_WALL_US[$b]:-}")" \
    "$(bench_quotient "${BENCH_RSS_KB[$a]:-}" "${BENCH_RSS_KB[$b]:-}")"
}
