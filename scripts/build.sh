#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds one build folder: build/release (default), build/asan
# (AddressSanitizer + UndefinedBehaviorSanitizer) or build/tsan (ThreadSanitizer, the engine's
# tests only: the thread-count tests and the interrupt sweep). VKO_WERROR=1 turns warnings into
# errors.
set -euo pipefail
cd "$(dirname "$0")/.."

kind=${1:-release}
targets=()
case "$kind" in
  release) flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)    flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVKO_SANITIZE=ON -DVKO_BUILD_BENCH=OFF) ;;
  tsan)    flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVKO_SANITIZE=thread -DVKO_BUILD_BENCH=OFF
                  -DVKO_BUILD_GUI=OFF)
           targets=(--target engine_tests) ;;
  *) echo "usage: $0 [release|asan|tsan]" >&2; exit 2 ;;
esac
[ "${VKO_WERROR:-0}" = 1 ] && flags+=(-DVKO_WERROR=ON)
# ccache makes rebuilds and other worktrees of the same sources cheap.
command -v ccache >/dev/null && flags+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=1

cmake -S . -B "build/$kind" -G Ninja "${flags[@]}" >/dev/null
cmake --build "build/$kind" -j "$(nproc)" "${targets[@]}"
