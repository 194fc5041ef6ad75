#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The user's journey through the program on a virtual X server with a notification-area host
# and a window manager, typed and clicked as a user would, with real message boxes:
#  - a folder dragged from another window onto the work list becomes a box;
#  - making the same box again and answering the replace question with Enter (No) keeps it;
#  - Enter on the box in the work list asks for its password; a wrong one is refused and asked
#    for again, and the right one opens the box;
#  - Open as Folder in the contents window mounts the box under the runtime folder with the
#    tree's bytes and hands it to the file manager; closing the window unmounts it (skipped
#    with the reason where FUSE is missing);
#  - Escape in the extraction-folder prompt extracts nothing; Enter there extracts the tree into
#    a folder of its own, beside a folder of that name holding newer files, which stay;
#  - extracting into that folder asks first, naming the newer file: Escape writes nothing, Enter
#    (Skip) writes the rest and keeps it;
#  - during a long compressed create the progress bar fills, and Cancel Job (Esc) stops the job,
#    keeps the previous box and the program;
#  - File, Exit during a job asks, and the job goes on while the question is open: No lets it
#    make its box; the close box then keeps the program, a second start brings the window back
#    and a third, with a folder, opens Create Box for it; Yes to File, Exit during that job stops
#    it, keeps the previous box, and ends the program.
# With --screenshots DIR it also saves the README's pictures of the windows.
# Usage: journey_session.sh <vaultkeep-orb> <vko_drag_source> [--screenshots DIR]
set -uo pipefail
source "$(dirname "$0")/session_lib.sh"

if [ "${1:-}" != "--inside" ]; then
  program=${1:?usage: $0 <vaultkeep-orb> <vko_drag_source> [--screenshots DIR]}
  source_program=${2:?usage: $0 <vaultkeep-orb> <vko_drag_source> [--screenshots DIR]}
  shots=""
  [ "${3:-}" = "--screenshots" ] && shots=$(realpath -m "${4:?screenshot folder}")
  require_tools xvfb-run trayer openbox xdotool xwininfo import convert
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside "$program" "$source_program" "$shots"
fi
program=$2 source_program=$3 shots=$4

begin_session
export VKO_TEST_MESSAGES=log  # real message boxes, also written to the log
log="$work/program.log"
boxes="$work/Documents"
mkdir -p "$XDG_CONFIG_HOME/Vaultkeep Software" "$boxes"
cat >"$XDG_CONFIG_HOME/Vaultkeep Software/Vaultkeep Orb.ini" <<INI
[Vaultkeep%20Orb]
Path=$boxes/
ShowDialog=0
ClearPassword=0
UseCompression=1
INI
# The file manager "Open as Folder" hands the folder to: a stand-in that notes what it was given.
mkdir -p "$work/bin"
printf '#!/bin/sh\necho "$*" >>"%s/opened.log"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

# The folder to box: text, a sub-folder, an empty file and a name with spaces.
folder="$work/source/Travel Notes"
mkdir -p "$folder/day 1/photos" "$folder/empty dir"
printf 'Packing list\n- passport\n' >"$folder/list.txt"
: >"$folder/day 1/empty.txt"
head -c 300000 /dev/urandom >"$folder/day 1/photos/beach.jpg"
seq 1 50000 >"$folder/day 1/log.csv"
# Sparse, so that they cost no disk to make, yet take seconds to box.
big="$work/source/Big"
mkdir -p "$big"
for part in 1 2 3 4 5 6 7 8; do truncate -s 200M "$big/part $part.bin"; done

shoot() { [ -z "$shots" ] || { mkdir -p "$shots" && import -frame -window "$1" "$shots/$2" && echo "wrote $shots/$2"; }; }
focus() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus "$1"; sleep 0.3; }
logged() { grep -qF -- "$1" "$log"; }
messages() { grep -c '^message: ' "$log"; }
idle() { has_window '^Vaultkeep Orb v[0-9.]*$'; }
# Waits for the message box or question, then answers it with keys.
answer_box() {
  wait_for has_window '^Vaultkeep Orb$' || fail "no message box appeared ($2)"
  focus "$(window_named '^Vaultkeep Orb$')"
  xdotool key "$1"
  wait_for no_window '^Vaultkeep Orb$' || fail "the message box stayed ($2)"
}
# File, New Box for a folder typed into the folder browser; then the Create Box dialog.
new_box() {
  focus "$main_window"
  xdotool key ctrl+n
  wait_for has_window '^Select Folder to Box$' || fail "New Box did not show the folder browser"
  sleep 0.5
  xdotool type --delay 10 "$1"
  xdotool key Return
  wait_for has_window '^Create Box$' || fail "New Box did not open the Create Box dialog"
  focus "$(window_named '^Create Box$')"
}
# File, Open Box for a box typed into the file picker.
open_box() {
  focus "$main_window"
  xdotool key ctrl+o
  wait_for has_window '^Open Box$' || fail "Open Box did not show the file picker"
  sleep 0.5
  xdotool type --delay 10 "$1"
  xdotool key Return
}
# The progress bar's filled part: pixels of its colour in the status bar (1,850 or so when full).
progress_fill() {
  import -window "$main_window" png:- 2>/dev/null |
    convert - -gravity South -crop x32+0+0 +repage -alpha off -fuzz 12% \
      -fill '#FF00FF' -opaque '#38A4E8' -fill black +opaque '#FF00FF' -fill white -opaque '#FF00FF' \
      -format '%[fx:round(mean*w*h)]' info:
}

start_tray
start_window_manager
sleep 0.5

"$program" >"$log" 2>&1 &
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
focus "$(window_named '^Create Box$')"
xdotool key Return Return Return
xdotool type --delay 20 "journey pw"
xdotool key Return
xdotool type --delay 20 "journey pw"
xdotool key Return
box="$boxes/Travel Notes.vkx"
WAIT=600 wait_for test -s "$box" || fail "no box was made"
WAIT=600 wait_for idle || fail "the create job did not end"
[ "$(messages)" = 0 ] || fail "the program reported a problem"
sleep 0.5
shoot "$main_window" main-window.png
pass "the box is created under the default folder"

# The same folder again, with a common password typed into the fields their mnemonics reach:
# Enter answers the replace question with No, which returns to the dialog; Escape there
# cancels, and the box is untouched.
before=$(md5sum <"$box")
new_box "$folder"
xdotool key alt+p ctrl+a && xdotool type --delay 20 "password"
xdotool key alt+r ctrl+a && xdotool type --delay 20 "password"
sleep 0.3
shoot "$(window_named '^Create Box$')" create-box.png
xdotool key Return
answer_box Return "replace question"
logged "question: The box file \"$box\" already exists." || fail "no replace question was asked"
logged "answer: No" || fail "Enter did not answer No"
has_window '^Create Box$' || fail "No did not return to the Create Box dialog"
focus "$(window_named '^Create Box$')"
xdotool key Escape
wait_for no_window '^Create Box$' || fail "Escape did not close the Create Box dialog"
WAIT=100 wait_for idle || fail "the cancelled job did not end"
[ "$(md5sum <"$box")" = "$before" ] || fail "the box was replaced after No"
pass "making the same box again and answering No keeps the old box"

# Options, Clear Password (F2), Enter on the box in the work list, then a wrong password:
# refused, asked for again, and the right one opens the box.
focus "$main_window"
xdotool key F2 Home Return
wait_for has_window '^Travel Notes.vkx$' || fail "Enter on the work list did not ask for the password"
focus "$(window_named '^Travel Notes.vkx$')"
xdotool type --delay 20 "wrong pw"
xdotool key Return
answer_box Return "wrong password"
logged "message: Password incorrect or header damaged" || fail "the wrong password was not refused"
wait_for has_window '^Travel Notes.vkx$' || fail "the password was not asked for again"
focus "$(window_named '^Travel Notes.vkx$')"
xdotool type --delay 20 "journey pw"
xdotool key Return
contents_title='^Vaultkeep Contents - Travel Notes\.vkx$'
wait_for has_window "$contents_title" || fail "the right password did not open the box"
pass "Enter on a box in the work list asks for its password; a wrong one is asked for again"

# Extract All, then Escape in the folder prompt: nothing is extracted.
target="$boxes/Travel Notes"
contents=$(window_named "$contents_title")
focus "$contents"
xdotool key Tab space
wait_for has_window '^Select Extraction Folder...$' || fail "Extract All did not ask for a folder"
focus "$(window_named '^Select Extraction Folder...$')"
xdotool key Escape
wait_for no_window '^Select Extraction Folder...$' || fail "Escape did not close the folder prompt"
sleep 1
[ ! -e "$target" ] || fail "Escape in the folder prompt extracted the box"
pass "Escape in the extraction-folder prompt extracts nothing"

# Open as Folder (Alt+F) with the remembered password: the box appears under the runtime folder,
# named after the box, with the tree's bytes, and goes to the file manager; Escape closes the
# window and the view with it.
if [ -c /dev/fuse ] && command -v fusermount3 >/dev/null; then
  view="$XDG_RUNTIME_DIR/vaultkeep-orb/Travel Notes"
  open_box "$box"
  wait_for has_window "$contents_title" || fail "the contents window did not appear"
  focus "$(window_named "$contents_title")"
  xdotool key alt+f
  wait_for mountpoint -q "$view" || fail "Open as Folder mounted nothing on $view: $(ls -A "$XDG_RUNTIME_DIR"/*)"
  diff -r "$folder" "$view" >"$work/diff.log" 2>&1 ||
    ! grep -v "^Only in $folder: empty dir$" "$work/diff.log" | grep -q . ||
    fail "the folder view differs from the tree"
  wait_for grep -q "vaultkeep-orb/Travel" "$work/opened.log" || fail "the view was not handed to the file manager"
  focus "$(window_named "$contents_title")"
  xdotool key Escape
  wait_for no_window "$contents_title" || fail "Escape did not close the contents window"
  wait_for test ! -e "$view" || fail "closing the contents window left $view mounted"
  [ "$(messages)" = 1 ] || fail "the program reported a problem"
  pass "Open as Folder shows the box's files under the runtime folder until the window closes"
else
  echo "skipped: Open as Folder needs FUSE (/dev/fuse and fusermount3)"
fi

# A folder of the box's name with a newer file: Extract All proposes another folder, and Enter
# taking the proposal (the password is memorized now) leaves the newer file as it is.
# File, Open Box, then Extract All in its contents window: the folder prompt is in front.
extract_all() {
  open_box "$box"
  wait_for has_window "$contents_title" || fail "the contents window did not appear"
  focus "$(window_named "$contents_title")"
  shoot "$(window_named "$contents_title")" box-contents.png
  xdotool key Tab space
  wait_for has_window '^Select Extraction Folder...$' || fail "Extract All did not ask for a folder"
  focus "$(window_named '^Select Extraction Folder...$')"
}
mkdir -p "$target"
echo "newer list" >"$target/list.txt"
extract_all
xdotool key Return
WAIT=600 wait_for test -f "$target (2)/list.txt" || fail "nothing was extracted into a new folder"
WAIT=600 wait_for idle || fail "the extract job did not end"
[ "$(messages)" = 1 ] || fail "the program reported a problem"
[ "$(cat "$target/list.txt")" = "newer list" ] || fail "the newer file was replaced"
diff -r "$folder" "$target (2)" >"$work/diff.log" 2>&1 ||
  # A folder without files is not stored in a box; anything else must match.
  ! grep -v "^Only in $folder: empty dir$" "$work/diff.log" | grep -q . ||
  fail "the extracted tree differs from the folder"
pass "Extract All recreates the folder's files in a folder of its own; the newer file stays"

# Extract All into the folder with the newer file, typed into the folder prompt: one question
# before anything is written. Escape there writes nothing; Enter skips the newer file and
# extracts the rest.
extract_into() {
  extract_all
  xdotool key ctrl+a && xdotool type --delay 10 "$target" && xdotool key Return
  wait_for has_window '^Vaultkeep Orb$' || fail "no question about the file already there"
}
extract_into
answer_box Escape "existing-files question"
WAIT=100 wait_for idle || fail "the cancelled extraction did not end"
logged "question: \"$target\" already holds a file that this box would write:" ||
  fail "the question did not name the folder"
logged "answer: Cancel" || fail "Escape did not cancel the extraction"
[ "$(ls -A "$target")" = list.txt ] || fail "Cancel wrote files: $(ls -A "$target")"
extract_into
answer_box Return "existing-files question"
WAIT=600 wait_for test -f "$target/day 1/log.csv" || fail "Skip did not extract the other files"
WAIT=600 wait_for idle || fail "the extract job did not end"
logged "answer: Skip" || fail "Enter did not skip"
[ "$(messages)" = 1 ] || fail "the program reported a problem"
[ "$(cat "$target/list.txt")" = "newer list" ] || fail "the newer file was replaced"
pass "extracting over a newer file asks first: Escape writes nothing, Enter keeps it"

# A long compressed create over a previous box (replaced after Yes): the progress bar fills
# while it runs, and Escape cancels the job; the previous box stays and the program runs on.
previous="$boxes/Big.vkx"
echo "the previous box" >"$previous"
new_box "$big"
xdotool key Return Return Return Return Return
answer_box y "replace question"
wait_for has_window '\[create\]$' || fail "the long create job did not start"
# Sampled while it fills: partly (the scan before shows a moving bar), then more than half.
samples=()
fill_between() { samples+=("$(progress_fill)"); [ "${samples[-1]}" -ge "$1" ] && [ "${samples[-1]}" -le "$2" ]; }
WAIT=300 wait_for fill_between 1 800 || fail "the progress bar did not show a part done: ${samples[*]}"
shoot "$main_window" job-running.png
WAIT=300 wait_for fill_between 1100 1500 || fail "the progress bar did not fill further: ${samples[*]}"
focus "$main_window"
xdotool key Escape
WAIT=300 wait_for idle || fail "Cancel Job did not end the job"
kill -0 "$main" 2>/dev/null || fail "Cancel Job ended the program"
[ "$(cat "$previous")" = "the previous box" ] || fail "the cancelled job touched the previous box"
leftovers=$(find "$boxes" -maxdepth 1 -type f ! -name 'Travel Notes.vkx' ! -name Big.vkx)
[ -z "$leftovers" ] || fail "the cancelled job left files behind: $leftovers"
pass "the progress bar fills during a long job; Cancel Job stops it and keeps the previous box"

# The same job again: No to File, Exit lets it run to its end and make the box; the close box
# then only puts the window away, and a second start brings it back. Each step is checked by
# its outcome, not by the job still running, so a fast machine cannot end the job too early.
# Enter through the Create Box dialog open for the big folder: the memorized password is filled in.
long_job() {
  focus "$(window_named '^Create Box$')"
  xdotool key Return Return Return Return Return
  answer_box y "replace question"
  wait_for has_window '\[create\]$' || fail "the long create job did not start"
}
file_exit() { focus "$main_window"; xdotool key alt+f; sleep 0.3; xdotool key x; }
# The bytes the job has written into the boxes folder: its temporary box, whatever its name.
written() { for fd in /proc/"$main"/fd/*; do [[ "$(readlink "$fd")" == "$boxes"/* ]] && stat -Lc %s "$fd"; done 2>/dev/null | sort -n | tail -1; }
new_box "$big"
long_job
file_exit
wait_for has_window '^Vaultkeep Orb$' || fail "Exit during a job did not ask first"
before=$(written)
went_on() { [ "$(written)" -gt "${before:-0}" ] 2>/dev/null || ! cmp -s "$previous" <(echo "the previous box"); }
WAIT=150 wait_for went_on || fail "the job stood still while the exit question was open"
answer_box n "exit question"
logged "question: Cancel current process?" || fail "Exit during a job did not ask first"
logged "Vaultkeep Orb will close" || fail "the exit question did not say the program closes"
WAIT=300 wait_for idle || fail "the job did not end after No to the exit question"
! cmp -s "$previous" <(echo "the previous box") || fail "No to the exit question stopped the job"
pass "the job goes on while the exit question is open, and No lets it finish"
focus "$main_window"
xdotool key alt+F4
wait_for no_window '^Vaultkeep Orb v[0-9]' || fail "the close box left the window on screen"
kill -0 "$main" 2>/dev/null || fail "the close box ended the program"
timeout 20 "$program" >"$work/second.log" 2>&1 || fail "the second start failed"
wait_for has_window '^Vaultkeep Orb v[0-9]' || fail "a second start did not bring the window back"
[ "$(xdotool getactivewindow)" = "$main_window" ] || fail "the window came back without the focus"
timeout 20 "$program" "$big" >"$work/third.log" 2>&1 || fail "the third start failed"
wait_for has_window '^Create Box$' || fail "the handed-over folder did not open Create Box"
pass "the close box keeps the program; a second start brings the window back, a third hands over"
# Yes to File, Exit during a job stops it, keeps the box it was replacing, and ends the program.
cp "$previous" "$work/made.vkx"
long_job
file_exit
answer_box y "exit question"
WAIT=300 wait_for bash -c "! kill -0 $main" || fail "Exit during a job did not end the program"
wait "$main"
rc=$?
[ "$rc" = 0 ] || fail "the program ended with $rc"
cmp -s "$previous" "$work/made.vkx" || fail "the stopped job touched the previous box"
leftovers=$(find "$boxes" -maxdepth 1 -type f ! -name 'Travel Notes.vkx' ! -name Big.vkx)
[ -z "$leftovers" ] || fail "a cancelled job left files behind: $leftovers"
pass "Yes to File, Exit during a job stops it without leaving files and ends the program"
