#!/usr/bin/env bash
# Takes the README's picture of the main window on a virtual X server, with a fresh settings
# folder. Usage: take_screenshot.sh <path of vaultkeep-orb> <output.png>
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
  exec xvfb-run -a -s "-screen 0 800x600x24" "$0" --inside "${1:?program}" "$(realpath -m "${2:?output}")"
fi
program=$2 output=$3

work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$program" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 100); do
  window=$(xdotool search --name '^Vaultkeep Orb v[0-9]' 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.1
done
sleep 1
/usr/bin/import -window "$window" "$output"
echo "wrote $output"
