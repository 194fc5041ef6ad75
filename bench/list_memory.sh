#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Peak resident memory of vkx list, text and --json, over a box of many empty files, beside the
# memory of opening the box at all (list to a closed pipe end is not used: the whole listing is
# written to /dev/null). Compares any number of vkx builds on the same box.
#
# Usage: bench/list_memory.sh [FILES] [VKX...]   (default 200000 files, build/release's vkx)
#   VKO_BENCH_DIR   where the tree and the box are kept (default /tmp/vko-list-bench)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
files=${1:-200000}
shift || true
builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=("$repo/build/release/src/cli/vkx")
work=${VKO_BENCH_DIR:-/tmp/vko-list-bench}/files-$files
box=$work/box.vkx
printf 'list-bench-password\n' >"${TMPDIR:-/tmp}/vko-list-bench-password"
password=${TMPDIR:-/tmp}/vko-list-bench-password

if [ ! -f "$box" ]; then
  rm -rf "$work" && mkdir -p "$work/tree"
  # files empty files in files / 100 folders, names of 20 to 30 bytes.
  python3 - "$work/tree" "$files" <<'PY'
import os, sys
root, files = sys.argv[1], int(sys.argv[2])
for i in range(files):
    folder = os.path.join(root, "folder-%05d" % (i // 100))
    if i % 100 == 0:
        os.mkdir(folder)
    open(os.path.join(folder, "document-%08d.txt" % i), "w").close()
PY
  "${builds[0]}" create "$work/tree" -o "$box" -q --password-file "$password"
fi

echo "box: $files files, $(stat -c %s "$box") bytes; $(nproc) cores"
for vkx in "${builds[@]}"; do
  for mode in text json; do
    flag=()
    [ $mode = json ] && flag=(--json)
    /usr/bin/time -f '%M %e' -o "$work/time" "$vkx" list "$box" "${flag[@]}" \
      --password-file "$password" >/dev/null
    read -r peak_kib seconds <"$work/time"
    printf '%-50s %-5s %8.1f MiB peak %6.2f s\n' "$vkx" "$mode" "$(bc -l <<<"$peak_kib / 1024")" \
      "$seconds"
  done
done
