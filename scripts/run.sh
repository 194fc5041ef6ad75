#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up the machine, builds, and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
./scripts/build.sh release
if [ -x build/release/src/ui/vaultkeep-orb ]; then
  exec build/release/src/ui/vaultkeep-orb
fi
exec build/release/src/cli/vkx --help
