#!/usr/bin/env bash
# Sets up the machine, builds, and runs every test: first the normal build, then the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
for kind in release asan; do
  echo "== $kind build"
  ./scripts/build.sh "$kind"
  echo "== $kind tests"
  ctest --test-dir "build/$kind" --output-on-failure -j "$(nproc)"
done
