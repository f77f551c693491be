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
    wait_gone "^Find / Replace$" || fail "the dialog did not close on Cancel"
}

start_quiple "$WORK/docs/pets.txt"
win=$(wait_window "^Quiple v3.21") || fail "no main window"
wait_title "$win" "pets.txt"
focus "$win"
keys ctrl+Home ctrl+f
dlg=$(dialog "^Find / Replace$" "Find / Replace dialog for Edit > Find (Ctrl+F)") || exit 1
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
dlg=$(dialog "^Find / Replace$" "dialog for Edit > Replace") || exit 1
keys Tab
typetext "cow"
keys alt+a                          # Replace All, silently
shot "replaced"
cancel "$dlg"
find_window "^Quiple$" >/dev/null && fail "Replace All showed a message"

focus "$win"
keys ctrl+s
wait_file "$WORK/docs/pets.txt" "one Y two cow three X four dog"
quit
finish
