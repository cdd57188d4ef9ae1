#!/usr/bin/env bash
# A header's section label, "// ---- Title (a.cpp, b.cpp) ----" inside a class,
# names the files beside the header that define what the section declares:
# every member function declared there without a body must be defined as
# Class::name( in one of them. A section ends at the next label or at the end
# of the class.
# Prints each declaration the label misplaces and fails when there is one.
set -u
src=${1:?usage: check_signposts.sh SRC_DIR}

label='^[[:space:]]*// ---- .* \(([^)]*)\) ----[[:space:]]*$'
class_start='^(class|struct) ([A-Za-z_][A-Za-z0-9_]*)'
declared='([A-Za-z_][A-Za-z0-9_]*)\('

bad=0
checked=0
while IFS= read -r -d '' header; do
  dir=$(dirname "$header")
  class="" files=() n=0
  while IFS= read -r line; do
    n=$((n + 1))
    if [[ $line =~ $class_start ]]; then
      class=${BASH_REMATCH[2]} files=()
      continue
    fi
    if [[ $line == "};"* ]]; then
      class="" files=()
      continue
    fi
    if [[ $line =~ $label ]]; then
      IFS=', ' read -r -a files <<<"${BASH_REMATCH[1]}"
      for f in "${files[@]}"; do
        if [ ! -f "$dir/$f" ]; then
          echo "${header#"$src"/}:$n: the label names $f, which is not beside it"
          bad=1
        fi
      done
      continue
    fi
    [ -n "$class" ] && [ ${#files[@]} -gt 0 ] || continue
    [[ $line =~ ^[[:space:]]*// ]] && continue
    # Bodies in the header, and what is no member function.
    [[ $line == *"{"* || $line == *friend* || $line == *operator* || $line == *using* ]] && continue
    [[ $line =~ $declared ]] || continue
    name=${BASH_REMATCH[1]}
    checked=$((checked + 1))
    found=0
    for f in "${files[@]}"; do
      if [ -f "$dir/$f" ] && grep -q "\b$class::$name(" "$dir/$f"; then
        found=1
        break
      fi
    done
    if [ $found = 0 ]; then
      echo "${header#"$src"/}:$n: $class::$name is defined in none of: ${files[*]}"
      bad=1
    fi
  done <"$header"
done < <(find "$src" -name '*.hpp' -print0 | sort -z)

if [ "$checked" = 0 ]; then
  echo "no labelled declaration found under $src"
  exit 1
fi
exit $bad
