#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang and runs each for a while on the seed corpus (real, legacy
# and forged boxes written by fuzz_seeds). Any crash, sanitizer report, time-out or oversized
# allocation fails the run; the input that caused it is kept in build/fuzz/findings/.
#   scripts/fuzz-smoke.sh [SECONDS_PER_TARGET]      (default 60)
# VKO_FUZZ_CORPUS=DIR keeps the grown corpus in DIR/<target> between runs.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DVKO_FUZZ=ON -DVKO_BUILD_GUI=OFF \
  -DVKO_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_header fuzz_extract fuzz_seeds

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/fuzz/fuzz_seeds" "$work/seeds"
findings="$build/findings"
mkdir -p "$findings"

for target in fuzz_header fuzz_extract; do
  corpus=${VKO_FUZZ_CORPUS:+$VKO_FUZZ_CORPUS/$target}
  corpus=${corpus:-$work/corpus-$target}
  mkdir -p "$corpus"
  echo "== $target: ${seconds}s"
  # -rss_limit_mb and -malloc_limit_mb catch allocations far beyond what a small input allows.
  TMPDIR=${TMPDIR:-/dev/shm} "$build/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=1024 \
    -malloc_limit_mb=256 -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" "$corpus" "$work/seeds" 2>"$work/$target.log" || {
    tail -n 60 "$work/$target.log"
    echo "fuzz-smoke: $target found a fault; input kept in $findings/" >&2
    exit 1
  }
  grep -E '^#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb' "$work/$target.log" || true
done
echo "fuzz-smoke: no finding"
echo "2 passed, 0 failed"
