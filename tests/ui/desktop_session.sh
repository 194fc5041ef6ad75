#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole program on a virtual X server with a notification-area host: it starts with its
# tray icon embedded in the host, a click on the icon puts the window away and the next brings
# it back, a second start shows the hidden window of the first and ends without a word, and
# "Remove" from the tray menu ends the first.
# Usage: desktop_session.sh <path of vaultkeep-orb>
set -uo pipefail
source "$(dirname "$0")/session_lib.sh"

if [ "${1:-}" != "--inside" ]; then
  program=${1:?usage: $0 <vaultkeep-orb>}
  require_tools xvfb-run trayer xdotool xwininfo
  exec xvfb-run -a -s "-screen 0 800x600x24" "$0" --inside "$program"
fi
program=$2

begin_session
has_panel() { [ -n "$(panel_id)" ]; }
has_icon() { [ -n "$(icon_id)" ]; }

start_tray
wait_for has_panel || fail "the tray host did not start"
sleep 0.5

"$program" >"$work/first.log" 2>&1 &
first=$!
pids+=("$first")
wait_for xdotool search --name '^Vaultkeep Orb v[0-9]' || fail "the main window did not appear"
main_window=$(xdotool search --name '^Vaultkeep Orb v[0-9]' | head -1)
mapped() { xwininfo -id "$main_window" | grep -q 'Map State: IsViewable'; }
unmapped() { ! mapped; }
wait_for mapped || fail "the main window is not on screen"
pass "the main window is shown"
wait_for has_icon || fail "no tray icon inside the tray host"
pass "the tray icon is embedded in the tray host"

click_icon() { xdotool mousemove --window "$(icon_id)" 8 8 click 1; sleep 0.5; }
click_icon
wait_for unmapped || fail "a click on the tray icon left the window on screen"
click_icon
wait_for mapped || fail "a second click on the tray icon did not bring the window back"
tray_menu h
wait_for unmapped || fail "Hide from the tray menu left the window on screen"
kill -0 "$first" 2>/dev/null || fail "the program ended when its window was hidden"
pass "a click on the tray icon puts the window away and brings it back, and its menu hides it"

timeout 20 "$program" >"$work/second.log" 2>&1
rc=$?
[ "$rc" = 0 ] || fail "the second start ended with $rc"
! grep -q "message: " "$work/second.log" || fail "the second start showed a message"
wait_for mapped || fail "the second start did not bring the hidden window back"
kill -0 "$first" 2>/dev/null || fail "the first instance ended"
pass "a second start shows the hidden window of the first and ends with 0, without a message"

# A slow machine may need a second try.
for _ in 1 2 3; do
  tray_menu r
  for _ in $(seq 50); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$first" 2>/dev/null || break
done
kill -0 "$first" 2>/dev/null && fail "Remove from the tray menu did not end the program"
wait "$first"
rc=$?
[ "$rc" = 0 ] || fail "the program ended with $rc"
grep -qx "Path=$work/Documents/" "$XDG_CONFIG_HOME/Vaultkeep Software/Vaultkeep Orb.ini" &&
  [ -d "$work/Documents" ] || fail "the settings, with the documents folder made, were not saved"
[ ! -e "$XDG_RUNTIME_DIR/vaultkeep-orb.lock" ] || fail "the instance lock was left behind"
[ ! -e "$XDG_RUNTIME_DIR/vaultkeep-orb.socket" ] || fail "the instance socket was left behind"
pass "Remove from the tray menu saves the settings (the documents folder, made) and ends"
