#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Kills `vkx create` with SIGKILL at random moments while it writes over an existing box of the
# same name. After every kill the previous box must be byte-identical and every leftover must be
# a recognisable temporary of a killed process (where the file system has anonymous temporary
# files there are none); the next complete create removes them all.
# Usage: crash_kill.sh <path of vkx> [KILLS] [SEED]
set -uo pipefail

vkx=${1:?usage: $0 <vkx> [kills] [seed]}
kills=${2:-50}
RANDOM=${3:-$$}
vkx=$(realpath "$vkx")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Large enough that a create takes a noticeable time, with many small files for the header.
# Folder names in lower case: the box keeps them that way.
mkdir -p src/deep/er
head -c $((16 * 1024 * 1024)) /dev/urandom >src/big.bin
head -c 300000 /dev/urandom >src/deep/mid.bin
for i in $(seq 1 300); do printf 'file %d\n' "$i" >"src/deep/er/F$i.txt"; done
: >src/empty
echo "crash password" >pw

export -n VKX_PASSWORD
"$vkx" create src -o box.vkx --password-file pw -q || fail "first create"
cp box.vkx reference.vkx
shortest_ms() {  # the shortest of three runs of the command, in milliseconds
  local best=0 start took
  for _ in 1 2 3; do
    start=$(date +%s%N)
    "$@" >/dev/null || fail "timing $*"
    took=$((($(date +%s%N) - start) / 1000000))
    { [ "$best" -eq 0 ] || [ "$took" -lt "$best" ]; } && best=$took
  done
  echo "$best"
}
span=$(($(shortest_ms "$vkx" create src -o other.vkx --password-file pw -q) + 20))
rm -f other.vkx
# Most of a short create is key derivation, which a listing does as well; the kills are spread
# from just before its end to the end of the create, where the new box is being written.
keying=$(shortest_ms "$vkx" list box.vkx --password-file pw)
first=$((keying * 3 / 4))
[ "$first" -lt "$span" ] || first=0
echo "a complete create takes about ${span} ms, ${keying} ms of it keying; killing $kills times"

killed_pids=" "
completed=0
while_writing=0
for run in $(seq 1 "$kills"); do
  "$vkx" create src -o box.vkx --password-file pw -q &
  pid=$!
  delay=$((RANDOM * 32768 + RANDOM))
  delay=$((first + delay % (span - first)))
  sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
  # The new box is being written: a file of the work folder is open, anonymous or by its name.
  ls -l "/proc/$pid/fd" 2>/dev/null | grep -qE "$work/(#[0-9]+ \(deleted\)|\.box\.vkx\..*\.vkpart)" &&
    while_writing=$((while_writing + 1))
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  status=$?
  [ "$status" -eq 0 ] && completed=$((completed + 1))
  [ "$status" -ne 0 ] && [ "$status" -ne 137 ] && fail "run $run: vkx exited $status"
  killed_pids+="$pid "
  cmp -s box.vkx reference.vkx || fail "run $run (killed after ${delay} ms): the box changed"
  for left in .box.vkx.*; do
    [ -e "$left" ] || continue
    [[ $left =~ ^\.box\.vkx\.([0-9]+)\.[0-9]+\.vkpart$ ]] || fail "run $run: unknown leftover $left"
    [[ $killed_pids == *" ${BASH_REMATCH[1]} "* ]] || fail "run $run: $left is not of a killed run"
  done
  ls -A | grep -vxE 'src|pw|box\.vkx|reference\.vkx|\.box\.vkx\.[0-9]+\.[0-9]+\.vkpart' &&
    fail "run $run: unexpected files"
done
leftovers=$(find . -maxdepth 1 -name '.box.vkx.*.vkpart' | wc -l)

"$vkx" create src -o box.vkx --password-file pw -q || fail "final create"
cmp -s box.vkx reference.vkx || fail "the final box differs"
[ -z "$(find . -maxdepth 1 -name '*.vkpart')" ] || fail "the final create left temporaries"
"$vkx" extract box.vkx -C out --password-file pw -q || fail "extract"
diff -r src out >/dev/null || fail "the extracted tree differs"

echo "$kills kills ($while_writing while the new box was being written, $completed after it" \
  "was complete): the box was intact every time; the $leftovers temporaries left at the end" \
  "were removed by the next create"
echo "$kills passed, 0 failed"
