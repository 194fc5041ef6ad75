#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Gives every source file of the project an SPDX line naming its licence, as its first line
# (after a "#!" line or a "#compdef" line, which must stay first). Files that have one are left
# alone, so running it again changes nothing.
#   scripts/add-spdx.sh           add the line where it is missing
#   scripts/add-spdx.sh --check   change nothing; list the files without it, fail if any
set -euo pipefail
cd "$(dirname "$0")/.."

licence="SPDX-License-Identifier: GPL-3.0-or-later"
check=0
[ "${1:-}" = --check ] && check=1

# The project's own sources, as git knows them; generated and binary files are not sources.
sources() {
  git ls-files -z -- '*.cpp' '*.h' '*.h.in' '*.sh' '*.py' '*.cmake' 'CMakeLists.txt' \
    '*/CMakeLists.txt' '*.bash' '*.fish' 'packaging/completions/_*'
}

comment_for() {
  case $1 in
    *.cpp | *.h | *.h.in) echo "// $licence" ;;
    *) echo "# $licence" ;;
  esac
}

missing=0
while IFS= read -r -d '' file; do
  [ -f "$file" ] || continue
  head -n 3 "$file" | grep -q "SPDX-License-Identifier:" && continue
  missing=$((missing + 1))
  if [ "$check" = 1 ]; then
    echo "no SPDX line: $file"
    continue
  fi
  line=$(comment_for "$file")
  first=$(head -n 1 "$file")
  if [[ $first == '#!'* || $first == '#compdef'* ]]; then
    { echo "$first"; echo "$line"; tail -n +2 "$file"; } >"$file.spdx"
  else
    { echo "$line"; cat "$file"; } >"$file.spdx"
  fi
  chmod --reference="$file" "$file.spdx"
  mv "$file.spdx" "$file"
done < <(sources)

if [ "$check" = 1 ]; then
  [ "$missing" = 0 ] || { echo "add-spdx: $missing files lack an SPDX line"; exit 1; }
  echo "add-spdx: every source file names its licence"
else
  echo "add-spdx: added the SPDX line to $missing files"
fi
