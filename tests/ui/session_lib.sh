# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the sessions that run the program on a virtual X server: the tools they need, a
# scratch home whose logs are shown on failure, polling, the notification-area host, the
# window manager and finding windows.

# Ends the test as skipped (77) when one of the tools is missing.
require_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIPPED: $tool is not installed (scripts/setup.sh installs it)"
      exit 77
    fi
  done
}

# A fresh home, configuration and runtime folder in $work; every process in $pids is killed
# and $work removed when the script ends. Message boxes are printed instead of shown.
begin_session() {
  work=$(mktemp -d)
  pids=()
  trap end_session EXIT
  export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run VKO_TEST_MESSAGES=print
  mkdir -m 700 "$XDG_RUNTIME_DIR"
}
end_session() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}

fail() {
  echo "FAIL: $*"
  for log in "$work"/*.log; do [ -f "$log" ] && { echo "--- $log"; cat "$log"; }; done
  exit 1
}
pass() { echo "ok - $*"; }

# Polls a command for up to $WAIT tenths of a second (default 10 seconds).
wait_for() {
  for _ in $(seq "${WAIT:-100}"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# The tray host, top right; its output goes to trayer.log.
start_tray() {
  trayer --edge top --align right --widthtype request --height 24 --transparent false \
    >"$work/trayer.log" 2>&1 &
  pids+=($!)
}

# The tray host's panel, the program's icon in it, and a tray-menu item picked by its mnemonic.
panel_id() { xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ {print $1; exit}'; }
icon_id() { xwininfo -tree -id "$(panel_id)" | awk '/"Vaultkeep Orb": \(/ {print $1; exit}'; }
tray_menu() {
  xdotool mousemove --window "$(icon_id)" 8 8 click 3
  sleep 0.5
  xdotool key "$1"
}

# A window manager, for title bars and focus as users have them.
start_window_manager() {
  openbox >"$work/openbox.log" 2>&1 &
  pids+=($!)
}

# The first visible window whose title matches a pattern, and whether there is one.
window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
has_window() { [ -n "$(window_named "$1")" ]; }
no_window() { [ -z "$(window_named "$1")" ]; }
