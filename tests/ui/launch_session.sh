#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program started the way a desktop starts it, on a virtual X server with a notification-
# area host: a path that does not exist is named in a message and nothing starts; a box opened
# through the desktop entry and the box file type (as a double click in a file manager does)
# asks for that box's password and shows its contents; a folder given to a second start is
# handed to the first, which shows its Create Box window, and the second ends with status 0.
# Usage: launch_session.sh <vaultkeep-orb> <vkx>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session_lib.sh"

if [ "${1:-}" != "--inside" ]; then
  program=${1:?usage: $0 <vaultkeep-orb> <vkx>}
  vkx=${2:?usage: $0 <vaultkeep-orb> <vkx>}
  require_tools xvfb-run trayer xdotool xwininfo gio update-mime-database update-desktop-database
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside "$program" "$vkx"
fi
program=$(realpath "$2") vkx=$(realpath "$3")

begin_session
# The desktop entry and the box file type, installed for this session only; the entry finds
# the program on PATH, as it finds an installed one.
share=$work/share
mkdir -p "$share/applications" "$share/mime/packages" "$work/bin" "$work/boxes"
cp "$here/../../src/ui/vaultkeep-orb.desktop" "$share/applications/"
cp "$here/../../src/ui/vaultkeep-orb.xml" "$share/mime/packages/"
ln -s "$program" "$work/bin/vaultkeep-orb"
export PATH=$work/bin:$PATH XDG_DATA_DIRS=$share:/usr/share XDG_DATA_HOME=$work/data
export XDG_CURRENT_DESKTOP=GNOME
update-mime-database "$share/mime"
update-desktop-database "$share/applications"

start_tray
sleep 0.5

"$program" "$work/boxes/Nowhere.vkx" >"$work/missing.log" 2>&1
rc=$?
[ "$rc" = 1 ] || fail "a start with a path that does not exist ended with $rc"
grep -q "does not exist" "$work/missing.log" && grep -q "$work/boxes/Nowhere.vkx" "$work/missing.log" ||
  fail "the path that does not exist was not named"
[ ! -e "$XDG_RUNTIME_DIR/vaultkeep-orb.lock" ] || fail "the program started anyway"
pass "a path that does not exist is named, and nothing starts"

folder="$work/source/Trip"
mkdir -p "$folder/day 1"
printf 'Packing list\n' >"$folder/list.txt"
seq 1 1000 >"$folder/day 1/log.csv"
VKX_PASSWORD="launch pw" "$vkx" create "$folder" -o "$work/boxes/Trip.vkx" -q ||
  fail "vkx could not make the box"

[ "$(xdg-mime query filetype "$work/boxes/Trip.vkx")" = application/x-vaultkeep-box ] ||
  fail "the box is not recognised as one"
gio open "$work/boxes/Trip.vkx" >"$work/program.log" 2>&1 || fail "gio could not open the box"
wait_for has_window '^Trip\.vkx$' || fail "opening the box did not ask for its password"
main_window=$(window_named '^Vaultkeep Orb v[0-9]')
[ -n "$main_window" ] || fail "the main window is not on screen"
pids+=("$(xdotool getwindowpid "$main_window")")
pass "a box opened from the desktop asks for its password"

prompt=$(window_named '^Trip\.vkx$')
xdotool windowfocus "$prompt" 2>/dev/null; sleep 0.3
xdotool type --delay 20 "launch pw"
xdotool key Return
wait_for has_window '^Vaultkeep Contents - Trip\.vkx$' || fail "the contents window did not appear"
pass "the right password shows the box's contents"
xdotool windowfocus "$(window_named '^Vaultkeep Contents - Trip\.vkx$')" 2>/dev/null; sleep 0.2
xdotool key Escape
wait_for bash -c "! xdotool search --onlyvisible --name '^Vaultkeep Contents - Trip\.vkx$'" ||
  fail "the contents window did not close"

# A relative path, resolved where the second start runs, not where the first does.
(cd "$work/source" && timeout 20 "$program" Trip >"$work/second.log" 2>&1)
rc=$?
[ "$rc" = 0 ] || fail "the second start ended with $rc"
! grep -q "already running" "$work/second.log" || fail "the second start said the first runs"
wait_for has_window '^Create Box$' || fail "the first instance did not show Create Box"
grep -q '^message: ' "$work/program.log" && fail "the first instance reported a problem"
pass "a folder given to a second start opens Create Box in the first; the second ends with 0"
