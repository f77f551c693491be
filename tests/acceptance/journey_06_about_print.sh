#!/usr/bin/env bash
# The About box over the main window, and printing a document to a PDF file.
. "$(dirname "$0")/lib.sh"
seed
export HOME="$WORK"                 # the print dialog proposes ~/print.pdf
start_quiple
win=$(wait_window "^Quiple v3.21 - ") || fail "no main window"
focus "$win"

keys alt+h a
about=$(wait_window "^Quiple v3.21$" 10) || fail "no About box"
shot "about"
focus "$about"
keys Escape
wait_gone "^Quiple v3.21$" || fail "the About box did not close"

focus "$win"
typetext "printed by the journey"
keys ctrl+p
sleep 1.5
shot "print-dialog"
keys Return
for _ in $(seq 100); do [ -s "$WORK/print.pdf" ] && break; sleep 0.1; done
[ -s "$WORK/print.pdf" ] || fail "no PDF was printed"
if command -v pdftotext >/dev/null; then
    pdftotext "$WORK/print.pdf" - | grep -q "printed by the journey" || fail "the PDF lacks the text"
fi
focus "$win"
keys ctrl+q
answer "^Quiple$" alt+n "question about the modified document"
wait_exit || fail "the program did not end"
finish
