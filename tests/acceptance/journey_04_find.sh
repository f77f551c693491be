#!/usr/bin/env bash
# Find and Replace: find and next from the dialog, Cancel remembering the text, F3 carrying on
# after the last match, its wrap to the top after the message, Replace All, and the saved result.
. "$(dirname "$0")/lib.sh"
seed
mkdir -p "$WORK/docs"
printf 'one cat two cat three cat four dog\n' >"$WORK/docs/pets.txt"

# The dialog's Cancel button, clicked at its centre (the window has no frame without a window
# manager): left 3875, top 1616, 1125 x 315 twips at 15 twips a pixel.
cancel() {
    xdotool mousemove --window "$1" 296 118 click 1
    sleep 0.3
    wait_gone "^Find / Replace$" || fail "the dialog did not close on Cancel"
}

start_quiple "$WORK/docs/pets.txt"
win=$(wait_window "^Quiple v3.21") || fail "no main window"
sleep 0.5
focus "$win"
keys ctrl+Home
keys ctrl+f
if ! dlg=$(wait_window "^Find / Replace$" 5); then
    echo "skipped: Edit > Find (Ctrl+F) does not open the Find / Replace window yet"
    finish
    exit 0
fi
focus "$dlg"
typetext "cat"
keys Return                         # Find: the first cat
keys Return                         # Next: the second one
shot "next"
cancel "$dlg"                       # remembers "cat"

focus "$win"
keys F3                             # carries on after the second cat: the third one
typetext "X"
keys F3
answer "^Quiple$" Return "'No more occurrences' message after the last cat"
wait_gone "^Quiple$" || fail "the message did not close"
focus "$win"
keys F3                             # round again from the top: the first cat
typetext "Y"

keys ctrl+h
dlg=$(wait_window "^Find / Replace$" 10) || fail "no dialog for Edit > Replace"
focus "$dlg"
keys Tab
typetext "cow"
keys alt+a                          # Replace All, silently
sleep 0.3
xdotool search --onlyvisible --name "^Quiple$" >/dev/null 2>&1 && fail "Replace All showed a message"
shot "replaced"
cancel "$dlg"

focus "$win"
keys ctrl+s
sleep 0.5
[ "$(cat "$WORK/docs/pets.txt")" = "one Y two cow three X four dog" ] \
    || fail "pets.txt holds '$(cat "$WORK/docs/pets.txt")'"
quit
finish
