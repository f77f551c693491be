#!/usr/bin/env bash
# A file changed by another program while it is open: the unmodified document reloads when its
# window is activated again, and a save afterwards keeps the other program's text.
. "$(dirname "$0")/lib.sh"
seed
printf 'first version\n' >"$WORK/doc.txt"
start_quiple "$WORK/doc.txt"
win=$(wait_window "^Quiple v3.21 - ") || fail "no main window"
focus "$win"
sleep 0.5
printf 'second version\n' >"$WORK/doc.txt"
keys alt+h a                        # another window takes the focus for a moment
about=$(wait_window "^Quiple v3.21$" 10) || fail "no About box"
focus "$about"
keys Escape
wait_gone "^Quiple v3.21$" || fail "the About box did not close"
focus "$win"                        # activated again
sleep 0.5
keys ctrl+End
typetext "kept"
keys ctrl+s
[ "$(cat "$WORK/doc.txt")" = "$(printf 'second version\nkept')" ] \
    || fail "doc.txt holds: $(cat "$WORK/doc.txt")"
quit
finish
