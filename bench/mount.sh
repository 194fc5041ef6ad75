#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The folder view (vkx mount) beside vkx extract of the same boxes:
#   1. sequential read of one plain file of SIZE_MIB through the view (dd, 1 MiB blocks), a cold
#      first pass and a second one, against vkx extract of that box;
#   2. random 4 KiB reads per second, on that file and on a 64 MiB one, each page once on a
#      fresh view (the second pass of 1. and these would otherwise measure the page cache);
#   3. ls -lR of a box of 50,000 small files in 500 folders, against vkx extract of it;
#   4. peak resident memory of vkx mount reading every file of a compressed box of 8 files of
#      64 MiB with --memory 128 (so that files are dropped and expanded again).
#
# Usage: bench/mount.sh [SIZE_MIB]      (default 1024)
#   VKX=path/to/vkx   the program under test (default: build/release/src/cli/vkx)
# Needs FUSE (/dev/fuse) and python3.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
vkx=${VKX:-$repo/build/release/src/cli/vkx}
size_mib=${1:-1024}
work=$here/results/mount-$(date -u +%Y-%m-%dT%H%MZ)
mkdir -p "$work"
printf 'bench-password-1234\n' >"$work/password"
pw=(--password-file "$work/password")
trap 'for m in "$work"/view*; do fusermount3 -u "$m" 2>/dev/null || true; done; rm -rf "$work"' EXIT

now() { date +%s.%N; }
rate() { awk -v b="$1" -v s="$2" -v e="$3" 'BEGIN { printf "%.0f MB/s (%.2f s)", b / (e - s) / 1e6, e - s }'; }
seconds() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.2f s", e - s }'; }

# mount BOX FOLDER [OPTIONS...]: serves BOX in the foreground, in the background of this shell.
mount_view() {
  local box=$1 folder=$2
  shift 2
  mkdir -p "$folder"
  "$vkx" mount "${pw[@]}" "$@" "$box" "$folder" >/dev/null &
  view_pid=$!
  for _ in $(seq 200); do [ -n "$(ls -A "$folder" 2>/dev/null)" ] && return; sleep 0.05; done
  echo "the view did not appear" >&2
  exit 1
}
unmount_view() {
  kill -TERM "$view_pid"
  wait "$view_pid" || true
}

# random4k FILE SECONDS: reads the 4 KiB pages of FILE once each in a random order, for at most
# that long, on a view mounted just before, so that each read reaches the view rather than the
# kernel's page cache; prints reads per second.
random4k() {
  python3 - "$1" "$2" <<'PY'
import os, random, sys, time
fd = os.open(sys.argv[1], os.O_RDONLY)
pages = list(range(os.fstat(fd).st_size // 4096))
random.shuffle(pages)
start = time.monotonic()
end = start + float(sys.argv[2])
n = 0
for page in pages:
    if time.monotonic() >= end:
        break
    os.pread(fd, 4096, page * 4096)
    n += 1
print(f"{n / (time.monotonic() - start):.0f} reads/s ({n} pages)")
PY
}

echo "vkx: $("$vkx" --version), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

mkdir -p "$work/big"
head -c $((size_mib << 20)) /dev/urandom >"$work/big/large.bin"
head -c $((64 << 20)) /dev/urandom >"$work/big/small.bin"
"$vkx" create "$work/big" -o "$work/big.vkx" -q "${pw[@]}"
bytes=$((size_mib << 20))
sync
for file in small.bin large.bin; do
  mount_view "$work/big.vkx" "$work/view1"
  echo "view, random 4 KiB reads in $file (first touch of each page): $(random4k "$work/view1/$file" 10)"
  unmount_view
done
mount_view "$work/big.vkx" "$work/view1"
for pass in first second; do
  s=$(now)
  dd if="$work/view1/large.bin" of=/dev/null bs=1M status=none
  echo "view, sequential read of $size_mib MiB ($pass pass): $(rate $bytes "$s" "$(now)")"
done
cmp -s "$work/view1/large.bin" "$work/big/large.bin" && echo "view: same bytes" || echo "view: DIFFERENT"
unmount_view
s=$(now)
"$vkx" extract "$work/big.vkx" -C "$work/out1" -q "${pw[@]}"
echo "vkx extract of that box ($((size_mib + 64)) MiB): $(rate $((bytes + (64 << 20))) "$s" "$(now)")"
rm -rf "$work/out1" "$work/big"

mkdir -p "$work/many"
python3 - "$work/many" <<'PY'
import os, sys
for i in range(50000):
    d = os.path.join(sys.argv[1], f"folder{i % 500:03d}")
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, f"file{i:05d}.txt"), "w") as f:
        f.write(f"file {i}\n" * (1 + i % 20))
PY
"$vkx" create "$work/many" -o "$work/many.vkx" -q "${pw[@]}"
rm -rf "$work/many"
sync
mount_view "$work/many.vkx" "$work/view2"
s=$(now)
ls -lR "$work/view2" | cat >/dev/null
echo "view, ls -lR of 50,000 files in 500 folders (from mounting): $(seconds "$s" "$(now)")"
unmount_view
s=$(now)
"$vkx" extract "$work/many.vkx" -C "$work/out2" -q "${pw[@]}"
echo "vkx extract of that box: $(seconds "$s" "$(now)")"
rm -rf "$work/out2"

mkdir -p "$work/zip"
for i in 1 2 3 4 5 6 7 8; do
  python3 -c "import sys; sys.stdout.write(''.join(f'line {n} of file $i\n' for n in range(3000000)))" |
    head -c $((64 << 20)) >"$work/zip/text$i.txt"
done
"$vkx" create "$work/zip" -o "$work/zip.vkx" -z -q "${pw[@]}"
rm -rf "$work/zip"
mount_view "$work/zip.vkx" "$work/view3" --memory 128
s=$(now)
for pass in 1 2; do cat "$work"/view3/*.txt >/dev/null; done
echo "view, 2 passes over 8 compressed files of 64 MiB with --memory 128: $(seconds "$s" "$(now)")," \
  "peak $(awk '/VmHWM/ { printf "%.0f MiB", $2 / 1024 }' /proc/$view_pid/status) resident"
unmount_view
/usr/bin/time -f '%e s, peak %M KiB resident' -o "$work/time" \
  "$vkx" extract "$work/zip.vkx" -C "$work/out3" -q "${pw[@]}"
echo "vkx extract of that box: $(cat "$work/time")"
