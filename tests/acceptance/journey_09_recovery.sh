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
focus "$win"
sleep 0.5
keys ctrl+End
typetext "added"
keys ctrl+n
typetext "new words"
# The copies follow a few seconds after the changes.
for _ in $(seq 150); do
    [ "$(copies)" -ge 2 ] && break
    sleep 0.1
done
[ "$(copies)" -eq 2 ] || fail "$(copies) recovery copies instead of 2"
kill -KILL "$QUIPLE_PID"
wait "$QUIPLE_PID" 2>/dev/null
QUIPLE_PID=""

start_quiple
question=$(wait_window "^Quiple$" 20) || fail "no recovery question"
sleep 0.5
shot "question"
focus "$question"
keys Return                         # Yes
win=$(wait_window "^Quiple v3.21 - " 10) || fail "no main window after the question"
sleep 0.5
[[ "$(title "$win")" == *"[Untitled 3]" ]] || fail "the new document came back as '$(title "$win")'"
focus "$win"
keys alt+w v                        # side by side: this run's first document and the two recovered
shot "recovered"

# The new document, through Save As.
keys alt+f a
wait_window "^Save As$" 10 >/dev/null || fail "no Save As dialog"
keys ctrl+a
typetext "$WORK/new.txt"
keys Return
sleep 0.5
[ "$(cat "$WORK/new.txt")" = "new words" ] || fail "new.txt holds '$(cat "$WORK/new.txt")'"
focus "$win"
keys ctrl+w                         # saved: closes without a question

# The file, with its own encoding and line breaks.
keys alt+w 2
keys ctrl+s
[ "$(od -An -c "$WORK/legacy.txt")" = "$(printf 'caf\xe9 line\r\nsecond\r\nadded' | od -An -c)" ] \
    || fail "legacy.txt holds: $(od -An -c "$WORK/legacy.txt")"

# A clean exit leaves no copy behind, nor the folder of the killed run.
quit
[ -z "$(ls -A "$RECOVERY")" ] || fail "left in the recovery folder: $(ls -A "$RECOVERY")"
finish
