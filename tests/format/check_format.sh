#!/usr/bin/env bash
# Every C++ source of the tree (the generated tables aside) is laid out as
# .clang-format says. Prints the files that differ and fails when there is
# one; fails too without clang-format, which the test set-up installs.
set -u
root=${1:?usage: check_format.sh SOURCE_DIR}
format=$(command -v clang-format-14 || command -v clang-format) || {
  echo "clang-format is not installed" >&2
  exit 1
}
cd "$root" || exit 1
bad=0
checked=0
while IFS= read -r -d '' file; do
  checked=$((checked + 1))
  if ! "$format" --dry-run --Werror "$file" >/dev/null 2>&1; then
    echo "not formatted: $file (clang-format -i $file)"
    bad=$((bad + 1))
  fi
done < <(find src tests bench \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' \) -print0)
echo "$checked files checked, $bad not formatted"
[[ $checked -gt 0 && $bad -eq 0 ]]
