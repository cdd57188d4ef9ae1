#!/usr/bin/env bash
# Every folder of src/ includes only folders below it. Lowest first:
#   tui (nothing of ours), utils (at most tui), commit_graph (at most utils), repo
#   (nothing of the interface), highlight, state, viewport, render, action,
#   watcher, main.
# Prints each include that breaks the order and fails when there is one.
set -u
src=${1:?usage: check_includes.sh SRC_DIR}

# Rank of each folder; a folder may include folders of a lower rank only.
declare -A rank=([tui]=0 [utils]=1 [commit_graph]=2 [repo]=3 [highlight]=4 [state]=5
                 [viewport]=6 [render]=7 [action]=8 [watcher]=9 [main]=10)
# Narrower rules on top of the ranks.
declare -A only=([commit_graph]="utils" [repo]="utils commit_graph")

allowed() {  # own folder, included folder
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

if [ "$checked" -eq 0 ]; then
  echo "no includes found under $src"
  exit 1
fi
exit $bad
