#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Refreshes the README's pictures of the windows by running the user's journey with
# screenshots. Usage: take_screenshot.sh <build folder> [<output folder, default docs>]
set -euo pipefail
here=$(dirname "$0")
build=$(realpath "${1:?build folder, such as build/release}")
out=$(realpath -m "${2:-$here/../../docs}")
exec "$here/journey_session.sh" "$build/src/ui/vaultkeep-orb" "$build/tests/ui/vko_drag_source" \
  --screenshots "$out"
