#!/usr/bin/env bash
# The About box over the main window, and printing a document to a PDF file.
. "$(dirname "$0")/lib.sh"
seed
export HOME="$WORK"                 # the print dialog proposes ~/print.pdf
start_quiple
win=$(wait_window "^Quiple v3.21 - ") || fail "no main window"
focus "$win"

keys alt+h a
dialog "^Quiple v3.21$" "About box" >/dev/null || exit 1
shot "about"
keys Escape
wait_gone "^Quiple v3.21$" || fail "the About box did not close"

focus "$win"
typetext "printed by the journey"
keys ctrl+p
dialog "^Print$" "Print dialog" >/dev/null || exit 1
shot "print-dialog"
keys Return
wait_for "no PDF was printed" test -s "$WORK/print.pdf"
command -v pdftotext >/dev/null || fail "pdftotext (poppler-utils) is missing to read the PDF"
pdf_has_text() { pdftotext "$WORK/print.pdf" - | grep -q "printed by the journey"; }
wait_for "the PDF lacks the text" pdf_has_text
focus "$win"
keys ctrl+q
answer "^Quiple$" alt+n "question about the modified document"
wait_exit || fail "the program did not end"
finish
