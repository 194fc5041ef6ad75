#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a shipped program holds code meant for test programs only: the cheap key
# derivation and the key-cache probes (vko_crypto_testing). Usage: shipped_symbols.sh PROGRAM...
set -euo pipefail

status=0
for program in "$@"; do
  symbols=$(nm -C "$program" 2>&1 || true)
  # A program without a symbol table would pass for the wrong reason.
  if ! grep -q 'InitCipherRun' <<<"$symbols"; then
    echo "$program: no symbol table to check" >&2
    status=1
    continue
  fi
  if found=$(grep -E 'cipherlib_testing|KeyCache::SetCost' <<<"$symbols"); then
    echo "$program holds test-only code:" >&2
    echo "$found" >&2
    status=1
  fi
done
exit "$status"
