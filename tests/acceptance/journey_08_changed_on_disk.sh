#!/usr/bin/env bash
# A file changed by another program while it is open: the unmodified document reloads when its
# window is activated again, and a save afterwards keeps the other program's text.
. "$(dirname "$0")/lib.sh"
seed
printf 'first version\n' >"$WORK/doc.txt"
start_quiple "$WORK/doc.txt"
win=$(wait_window "^Quiple v3.21 - ") || fail "no main window"
wait_title "$win" "doc.txt"
focus "$win"
printf 'second version\n' >"$WORK/doc.txt"
keys alt+h a                        # another window takes the focus for a moment
dialog "^Quiple v3.21$" "About box" >/dev/null || exit 1
keys Escape
wait_gone "^Quiple v3.21$" || fail "the About box did not close"
focus "$win"                        # activated again: the reload comes before these keys
keys ctrl+End
typetext "kept"
keys ctrl+s
wait_file "$WORK/doc.txt" "$(printf 'second version\nkept')"
quit
finish
