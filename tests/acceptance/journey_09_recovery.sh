#!/usr/bin/env bash
# Recovery after the program is killed: a modified file and a new document come back modified,
# and saving them writes what a save before the kill would have written.
. "$(dirname "$0")/lib.sh"
seed
RECOVERY="$XDG_DATA_HOME/Quiple/recovery"
printf 'caf\xe9 line\r\nsecond\r\n' >"$WORK/legacy.txt"

copies() { find "$RECOVERY" -name '*.json' 2>/dev/null | wc -l; }

start_quiple "$WORK/legacy.txt"
win=$(wait_window "^Quiple v3.21 - ") || fail "no main window"
wait_title "$win" "legacy.txt"
focus "$win"
keys ctrl+End
typetext "added"
keys ctrl+n
typetext "new words"
# The copies follow a few seconds after the changes.
two_copies() { [ "$(copies)" -ge 2 ]; }
poll two_copies || poll two_copies || fail "$(copies) recovery copies instead of 2"
[ "$(copies)" -eq 2 ] || fail "$(copies) recovery copies instead of 2"
kill -KILL "$QUIPLE_PID"
wait "$QUIPLE_PID" 2>/dev/null
QUIPLE_PID=""

start_quiple
dialog "^Quiple$" "recovery question" >/dev/null || exit 1
shot "question"
keys Return                         # Yes
win=$(wait_window "^Quiple v3.21 - " 10) || fail "no main window after the question"
wait_title "$win" "[Untitled 3 *]"           # recovered, so not saved: marked
focus "$win"
keys alt+w v                        # side by side: this run's first document and the two recovered
shot "recovered"

# The new document, through Save As.
keys alt+f a
dialog "^Save As$" "Save As dialog" >/dev/null || exit 1
keys ctrl+a
typetext "$WORK/new.txt"
keys Return
wait_file "$WORK/new.txt" "new words"
focus "$win"
keys ctrl+w                         # saved: closes without a question

# The file, with its own encoding and line breaks.
keys alt+w 2
keys ctrl+s
saved_legacy() { [ "$(od -An -c "$WORK/legacy.txt")" = "$(printf 'caf\xe9 line\r\nsecond\r\nadded' | od -An -c)" ]; }
poll saved_legacy || fail "legacy.txt holds: $(od -An -c "$WORK/legacy.txt")"

# A clean exit leaves no copy behind, nor the folder of the killed run.
quit
[ -z "$(ls -A "$RECOVERY")" ] || fail "left in the recovery folder: $(ls -A "$RECOVERY")"
finish
