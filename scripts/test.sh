#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up the machine, builds, and runs every test: first the normal build (with a short run of
# the reliability harnesses), then the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the threaded engine tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
for kind in release asan; do
  echo "== $kind build"
  ./scripts/build.sh "$kind"
  echo "== $kind tests"
  ctest --test-dir "build/$kind" --output-on-failure -j "$(nproc)"
done
echo "== tsan build"
./scripts/build.sh tsan
echo "== tsan tests: thread counts, the interrupt sweep and a worker stuck in open"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/tsan --output-on-failure -j "$(nproc)" \
  -R "ThreadCount|InterruptSweep|HeldOpen"
