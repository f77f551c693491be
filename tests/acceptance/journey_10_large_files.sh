#!/usr/bin/env bash
# A 20 MB file opens (under a progress window when it takes a moment) and saves with only the typed byte added; a file
# that is one 10 MB line opens, takes typing far into the line and keeps every other byte.
. "$(dirname "$0")/lib.sh"
seed
yes 'The quick brown fox jumps over the lazy dog; 0123456789 abcdefghij.' | head -c 20000000 >"$WORK/big.txt"
cp "$WORK/big.txt" "$WORK/big.orig"
start_quiple "$WORK/big.txt"
# Its progress window may come and go before anyone looks on a fast machine: the unit tests
# hold the reading back to see it; here only its leaving is checked.
win=$(wait_window "^Quiple v3.21 - " 180) || fail "no main window"
shot "opened"
wait_gone "^Quiple$" || fail "the progress window stayed"
focus "$win"
keys ctrl+End
typetext "!"
keys ctrl+s                          # a progress window while it is written
big_saved() { [ "$(stat -c %s "$WORK/big.txt")" = 20000001 ]; }
poll big_saved || poll big_saved || fail "big.txt has $(stat -c %s "$WORK/big.txt") bytes"
focus "$win"
[ "$(tail -c 1 "$WORK/big.txt")" = "!" ] || fail "the typed byte is not at the end"
cmp -n 20000000 "$WORK/big.txt" "$WORK/big.orig" || fail "big.txt changed where nothing was typed"
quit

yes 'word' | tr '\n' ' ' | head -c 10000000 >"$WORK/line.txt"
cp "$WORK/line.txt" "$WORK/line.orig"
start_quiple "$WORK/line.txt"
win=$(wait_window "^Quiple v3.21 - " 180) || fail "no main window for the long line"
focus "$win"
keys ctrl+Home
keys --repeat 40 Page_Down
typetext "mid"
keys ctrl+End
keys BackSpace
typetext "end"
shot "long-line"
keys ctrl+s
line_saved() { grep -q 'end$' "$WORK/line.txt"; }
poll line_saved || poll line_saved || fail "line.txt was not saved"
focus "$win"
python3 - "$WORK/line.orig" "$WORK/line.txt" <<'PY' || fail "line.txt is not the old line with the typing"
import sys
old, new = (open(p, 'rb').read() for p in sys.argv[1:3])
assert b'\n' not in new, 'a line break appeared'
assert new.count(b'mid') == 1, 'mid typed %d times' % new.count(b'mid')
i = new.index(b'mid')
assert i > 4096, 'typed at %d, not past the first piece' % i
assert new[:i] + new[i + 3:] == old[:-1] + b'end', 'other bytes changed'
PY
quit
finish
