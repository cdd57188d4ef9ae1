#!/usr/bin/env bash
# Every folder of src/ includes, and its library links, only folders below
# it. The order, lowest first, is the build's list of modules (given as the
# arguments after the first two), so it is written in one place.
#   check_order.sh includes SRC_DIR MODULE...
#     every #include "folder/..." of a file under SRC_DIR
#   check_order.sh links LINKS_FILE MODULE...
#     every tarnwick_* library named in LINKS_FILE, a line "module: lib lib ..."
#     per module as the build writes it
# Prints each include or link that breaks the order and fails when there is one.
set -u
usage="usage: check_order.sh includes SRC_DIR MODULE... | check_order.sh links LINKS_FILE MODULE..."
mode=${1:?$usage}
where=${2:?$usage}
shift 2
[ $# -gt 0 ] || { echo "$usage"; exit 2; }

# Rank of each folder: its place in the order.
declare -A rank=()
n=0
for module in "$@"; do
  rank[$module]=$n
  n=$((n + 1))
done
# Narrower rules on top of the order: utils and tui, the two lowest, stand
# apart and use nothing of ours; commit_graph and repo know nothing of the
# interface.
declare -A only=([utils]="" [tui]="" [commit_graph]="utils" [repo]="utils commit_graph")

allowed() {  # own folder, folder it uses
  local own=$1 dep=$2
  [ "$own" = "$dep" ] && return 0
  [ -n "${rank[$dep]+x}" ] || return 1
  if [ -n "${only[$own]+x}" ]; then
    case " ${only[$own]} " in *" $dep "*) return 0 ;; *) return 1 ;; esac
  fi
  [ "${rank[$dep]}" -lt "${rank[$own]}" ]
}

bad=0
checked=0

check_includes() {
  local src=$1 file rel own line dep
  while IFS= read -r -d '' file; do
    rel=${file#"$src"/}
    own=${rel%%/*}
    if [ -z "${rank[$own]+x}" ]; then
      echo "$rel: folder '$own' has no place in the order"
      bad=1
      continue
    fi
    while IFS= read -r line; do
      dep=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"/]+)\/.*/\1/' <<<"$line")
      checked=$((checked + 1))
      if ! allowed "$own" "$dep"; then
        echo "$rel: includes $dep, which is not below $own: $line"
        bad=1
      fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "$file")
  done < <(find "$src" -type f \( -name '*.cpp' -o -name '*.hpp' -o -name '*.inc' \) -print0)
}

check_links() {
  local links=$1 own libs lib dep module
  shift
  [ -r "$links" ] || { echo "cannot read $links"; bad=1; return; }
  declare -A listed=()
  while IFS=: read -r own libs; do
    [ -n "$own" ] || continue
    listed[$own]=1
    if [ -z "${rank[$own]+x}" ]; then
      echo "$links: module '$own' has no place in the order"
      bad=1
      continue
    fi
    for lib in $libs; do
      case $lib in tarnwick_*) ;; *) continue ;; esac
      dep=${lib#tarnwick_}
      checked=$((checked + 1))
      if ! allowed "$own" "$dep"; then
        echo "tarnwick_$own links $lib, which is not below $own"
        bad=1
      fi
    done
  done <"$links"
  for module in "$@"; do
    [ -n "${listed[$module]+x}" ] || { echo "$links: no line for module '$module'"; bad=1; }
  done
}

case $mode in
  includes) check_includes "$where" ;;
  links) check_links "$where" "$@" ;;
  *) echo "$usage"; exit 2 ;;
esac

if [ "$checked" -eq 0 ]; then
  echo "no ${mode} found in $where"
  exit 1
fi
exit $bad
