#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Peak resident memory and time of vkx on one large file: create and extract, plain and
# compressed. The file is 1.5 GiB cut from the "big" corpus (text-like and random halves), so
# that compression meets both kinds of data.
#
# Usage: bench/memory.sh [SIZE_MIB]      (default 1536)
#   VKX=path/to/vkx   the program under test (default: build/release/src/cli/vkx)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
vkx=${VKX:-$repo/build/release/src/cli/vkx}
size_mib=${1:-1536}
work=$here/results/memory-$(date -u +%Y-%m-%dT%H%MZ)

"$here/corpus.sh" big >/dev/null
mkdir -p "$work/one"
big=$here/corpus/big
# The corpus holds 1 GiB; its files are repeated to reach the size asked for.
{
  for _ in 1 2 3 4 5 6 7 8; do
    cat "$big/text-1.txt" "$big/random-1.bin" "$big/text-2.txt" "$big/random-2.bin"
  done || true # cut short by head
} |
  head -c $((size_mib * 1024 * 1024)) >"$work/one/large.bin"
printf 'bench-password-1234\n' >"$work/password"

# run LABEL COMMAND...: prints label, wall seconds, peak resident MiB, exit code.
run() {
  local label=$1
  shift
  sync
  /usr/bin/time -f '%e %M %x' -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || true
  read -r seconds peak_kib code <"$work/time"
  awk -v l="$label" -v s="$seconds" -v k="$peak_kib" -v c="$code" \
    'BEGIN { printf "%-20s %8s s %8.1f MiB peak  exit %s\n", l, s, k / 1024, c }'
}

echo "vkx: $("$vkx" --version), file: $size_mib MiB, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
for mode in plain compressed; do
  flag=()
  [ $mode = compressed ] && flag=(-z)
  run "create $mode" "$vkx" create "$work/one" -o "$work/one.vkx" "${flag[@]}" -q \
    --password-file "$work/password"
  printf '%-20s %8s bytes\n' "box size" "$(stat -c %s "$work/one.vkx")"
  run "extract $mode" "$vkx" extract "$work/one.vkx" -C "$work/out" -q \
    --password-file "$work/password"
  cmp -s "$work/one/large.bin" "$work/out/large.bin" && echo "extracted file: same bytes" ||
    echo "extracted file: DIFFERENT"
  rm -rf "$work/out" "$work/one.vkx"
done
rm -rf "$work"
