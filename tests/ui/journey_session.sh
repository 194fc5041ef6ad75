#!/usr/bin/env bash
# The user's whole journey in the program, on a virtual X server with a notification-area host:
# a folder is dragged from another window onto the work list, its box is made through the
# Create Box dialog (typed into like a user would), opened with File, Open Box, and extracted
# whole; the extracted tree must equal the folder. Last, File, Exit while a second box is being
# made stops that job and ends the program. With --screenshots DIR it also saves
# pictures of a job running, of the Create Box dialog and of the contents window.
# Usage: journey_session.sh <vaultkeep-orb> <vko_drag_source> [--screenshots DIR]
set -uo pipefail
source "$(dirname "$0")/session_lib.sh"

if [ "${1:-}" != "--inside" ]; then
  program=${1:?usage: $0 <vaultkeep-orb> <vko_drag_source> [--screenshots DIR]}
  source_program=${2:?usage: $0 <vaultkeep-orb> <vko_drag_source> [--screenshots DIR]}
  shots=""
  [ "${3:-}" = "--screenshots" ] && shots=$(realpath -m "${4:?screenshot folder}")
  require_tools xvfb-run trayer xdotool xwininfo
  if [ -n "$shots" ] && ! command -v import >/dev/null; then
    echo "FAIL: screenshots need import (imagemagick)"
    exit 1
  fi
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside "$program" "$source_program" "$shots"
fi
program=$2 source_program=$3 shots=$4

window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
has_window() { [ -n "$(window_named "$1")" ]; }
shoot() { [ -z "$shots" ] || { mkdir -p "$shots" && import -window "$1" "$shots/$2" && echo "wrote $shots/$2"; }; }
# The program prints its message boxes instead of showing them; any of them is a failure here.
no_messages() { ! grep -q '^message: ' "$work/program.log"; }

begin_session
mkdir -p "$XDG_CONFIG_HOME/Vaultkeep Software" "$work/boxes"
cat >"$XDG_CONFIG_HOME/Vaultkeep Software/Vaultkeep Orb.ini" <<INI
[Vaultkeep%20Orb]
Path=$work/boxes/
ShowDialog=0
ClearPassword=0
UseCompression=1
INI

# The folder to box: text, a sub-folder, an empty file and a name with spaces; for the
# screenshots a large file keeps the job on screen long enough to be seen.
folder="$work/source/Travel Notes"
mkdir -p "$folder/day 1/photos" "$folder/empty dir"
printf 'Packing list\n- passport\n' >"$folder/list.txt"
: >"$folder/day 1/empty.txt"
head -c 300000 /dev/urandom >"$folder/day 1/photos/beach.jpg"
seq 1 50000 >"$folder/day 1/log.csv"
[ -n "$shots" ] && head -c 60000000 /dev/urandom >"$folder/day 1/photos/video.mp4"

start_tray
sleep 0.5

"$program" >"$work/program.log" 2>&1 &
main=$!
pids+=("$main")
wait_for has_window '^Vaultkeep Orb v[0-9]' || fail "the main window did not appear"
main_window=$(window_named '^Vaultkeep Orb v[0-9]')
xdotool windowmove "$main_window" 20 40
"$source_program" "$folder" >"$work/drag.log" 2>&1 &
pids+=($!)
wait_for has_window '^vko drag source$' || fail "the drag source did not appear"
pass "the program and a drag source are on screen"

# Drag the folder from the source window onto the work list, moving the pointer in steps the
# way a hand does.
centre() { eval "$(xdotool getwindowgeometry --shell "$1")"; echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"; }
read -r sx sy < <(centre "$(window_named '^vko drag source$')")
read -r tx ty < <(centre "$main_window")
xdotool mousemove "$sx" "$sy"; sleep 0.3
xdotool mousedown 1; sleep 0.2
for step in 1 2 3 4 5 6; do
  xdotool mousemove $((sx + (tx - sx) * step / 6)) $((sy + (ty - sy) * step / 6)); sleep 0.2
done
xdotool mousemove $((tx + 3)) $((ty + 3)); sleep 0.3
xdotool mouseup 1
wait_for has_window '^Create Box$' || fail "the drop did not open the Create Box dialog"
grep -q "drag finished: copied" "$work/drag.log" || fail "the drop was not taken as a copy"
pass "a folder dragged onto the work list opens the Create Box dialog"

# Enter walks from the box name to the password fields; the second Enter there creates.
dialog=$(window_named '^Create Box$')
xdotool windowfocus "$dialog" 2>/dev/null; sleep 0.3
xdotool key Return Return Return
xdotool type --delay 20 "journey pw"
xdotool key Return
xdotool type --delay 20 "journey pw"
sleep 0.3
shoot "$dialog" create-box.png
xdotool key Return
box="$work/boxes/Travel Notes.vkx"
if [ -n "$shots" ]; then
  wait_for has_window '\[create\]$' || fail "the job's caption did not appear"
  sleep 1.5
  shoot "$main_window" job-running.png
fi
WAIT=600 wait_for test -s "$box" || fail "no box was made"
WAIT=600 wait_for has_window '^Vaultkeep Orb v[0-9.]*$' || fail "the create job did not end"
no_messages || fail "the program reported a problem"
pass "the box is created under the default folder"

# File, Open Box (Ctrl+O): the password is memorized, so the contents window comes next.
xdotool windowfocus "$main_window" 2>/dev/null; sleep 0.3
xdotool key ctrl+o
wait_for has_window '^Open Box$' || fail "Open Box did not show the file picker"
sleep 0.5
xdotool type --delay 10 "$box"
xdotool key Return
wait_for has_window '^Vaultkeep Contents$' || fail "the contents window did not appear"
contents=$(window_named '^Vaultkeep Contents$')
sleep 0.5
shoot "$contents" box-contents.png
pass "Open Box shows the box's contents"

# Tab from the file list to Extract All; the proposed folder is taken with Enter.
xdotool windowfocus "$contents" 2>/dev/null; sleep 0.2
xdotool key Tab space
wait_for has_window '^Select Extraction Folder...$' || fail "Extract All did not ask for a folder"
sleep 0.3
xdotool key Return
target="$work/boxes/Travel Notes"
WAIT=600 wait_for test -f "$target/list.txt" || fail "nothing was extracted"
WAIT=600 wait_for has_window '^Vaultkeep Orb v[0-9.]*$' || fail "the extract job did not end"
sleep 0.5
no_messages || fail "the program reported a problem"
diff -r "$folder" "$target" >"$work/diff.log" 2>&1 ||
  # A folder without files is not stored in a box; anything else must match.
  ! grep -v "^Only in $folder: empty dir$" "$work/diff.log" | grep -q . ||
  fail "the extracted tree differs from the folder"
pass "Extract All recreates the folder's files"

# File, New Box with a large folder, then File, Exit while its job runs: the question is
# answered Yes, the job stops, no box or partial file is left, and the program ends.
big="$work/source/Big"
mkdir -p "$big"
# Sparse, so that it costs no disk to make, yet takes seconds to encipher.
truncate -s 1500M "$big/large.bin"
xdotool windowfocus "$main_window" 2>/dev/null; sleep 0.2
xdotool key ctrl+n
wait_for has_window '^Select Folder to Box$' || fail "New Box did not show the folder browser"
sleep 0.5
xdotool type --delay 10 "$big"
xdotool key Return
wait_for has_window '^Create Box$' || fail "New Box did not open the Create Box dialog"
sleep 0.3
xdotool key Return Return Return Return Return
wait_for has_window '\[create\]$' || fail "the second create job did not start"
sleep 0.5
xdotool windowfocus "$main_window" 2>/dev/null
xdotool key alt+f; sleep 0.3
xdotool key x
WAIT=300 wait_for bash -c "! kill -0 $main" || fail "Exit during a job did not end the program"
wait "$main"
rc=$?
[ "$rc" = 0 ] || fail "the program ended with $rc"
grep -q '^question: Cancel current process?$' "$work/program.log" ||
  fail "Exit during a job did not ask first"
leftovers=$(find "$work/boxes" -maxdepth 1 -type f ! -name 'Travel Notes.vkx')
[ -z "$leftovers" ] || fail "a cancelled job left files behind: $leftovers"
pass "Exit during a job asks, stops the job without leaving files, and ends the program"
