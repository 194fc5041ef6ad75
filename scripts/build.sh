#!/usr/bin/env bash
# Configures and builds one build folder: build/release (default) or build/asan
# (AddressSanitizer + UndefinedBehaviorSanitizer). VKO_WERROR=1 turns warnings into errors.
set -euo pipefail
cd "$(dirname "$0")/.."

kind=${1:-release}
case "$kind" in
  release) flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)    flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVKO_SANITIZE=ON -DVKO_BUILD_BENCH=OFF) ;;
  *) echo "usage: $0 [release|asan]" >&2; exit 2 ;;
esac
[ "${VKO_WERROR:-0}" = 1 ] && flags+=(-DVKO_WERROR=ON)

cmake -S . -B "build/$kind" -G Ninja "${flags[@]}" >/dev/null
cmake --build "build/$kind" -j "$(nproc)"
