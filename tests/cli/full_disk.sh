#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# vkx on a file system that really fills up: a 2 MiB tmpfs. A create that does not fit ends with
# exit 4 and a message naming the box; the previous box is untouched. An extraction that does
# not fit writes every file that fits in table order (whatever the workers were writing ahead)
# and names each one that did not (exit 5). Nothing temporary is left to take up the space.
# Skips (exit 77) where a tmpfs cannot be mounted.
# Usage: full_disk.sh <path of vkx>
set -uo pipefail

vkx=$(realpath "${1:?usage: $0 <vkx>}")
work=$(mktemp -d)
disk=$work/disk
mkdir -p "$disk"
if ! mount -t tmpfs -o size=2m tmpfs "$disk" 2>/dev/null; then
  rm -rf "$work"
  echo "SKIPPED: a tmpfs cannot be mounted here (mounting needs root)"
  exit 77
fi
trap 'umount "$disk"; rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
checks=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  checks=$((checks + 1))
  if ! "$@"; then
    echo "FAIL: $what" >&2
    failures=$((failures + 1))
  fi
}
no_temporaries() { [ -z "$(find "$disk" -name '*.vkpart' -o -name '*.zlib')" ]; }
names_disk() { grep -q "$disk" err; }

echo "full disk password" >pw
mkdir -p small/sub big/sub
echo hello >small/a.txt
head -c 100000 /dev/urandom >small/sub/b.bin
head -c 1500000 /dev/urandom >big/one.bin
head -c 1500000 /dev/urandom >big/sub/two.bin

for flag in "" -z; do
  label="create${flag:+ compressed}"
  "$vkx" create small -o "$disk/box.vkx" --password-file pw -q $flag || exit 1
  cp "$disk/box.vkx" previous.vkx
  "$vkx" create big -o "$disk/box.vkx" --password-file pw -q $flag 2>err
  code=$?
  check "$label: exit 4 (got $code)" [ "$code" -eq 4 ]
  check "$label: the message names the full disk: $(cat err)" names_disk
  check "$label: the previous box changed" cmp -s "$disk/box.vkx" previous.vkx
  check "$label: a temporary was left" no_temporaries
done
rm -f "$disk/box.vkx"

names() { grep -qF "$1: could not be written: No space left on device" err; }
for flag in "" -z; do
  label="extract${flag:+ compressed}"
  "$vkx" create big -o big.vkx --password-file pw -q $flag || exit 1
  rm -rf "$disk/out"
  mkdir -p "$disk/out"
  echo "old one" >"$disk/out/one.bin"
  "$vkx" extract big.vkx -C "$disk/out" --password-file pw -q --overwrite 2>err
  code=$?
  check "$label: exit 5 (got $code)" [ "$code" -eq 5 ]
  check "$label: one.bin, which fits, is not complete" cmp -s "$disk/out/one.bin" big/one.bin
  check "$label: sub/two.bin is not named: $(cat err)" names "$disk/out/sub/two.bin"
  check "$label: sub/two.bin was written" [ ! -e "$disk/out/sub/two.bin" ]
  check "$label: a temporary was left" no_temporaries
done

# A stream that fits where its expansion does not: the disk is full, the box is not damaged.
mkdir -p text
yes "the same line of text, again and again" | head -c 3000000 >text/lines.txt
"$vkx" create text -o text.vkx --password-file pw -q -z || exit 1
rm -rf "$disk/out"
"$vkx" extract text.vkx -C "$disk/out" --password-file pw -q 2>err
code=$?
check "extract compressible: exit 5 (got $code)" [ "$code" -eq 5 ]
check "extract compressible: lines.txt is not named: $(cat err)" names "$disk/out/lines.txt"
check "extract compressible: a temporary was left" no_temporaries

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
