#!/usr/bin/env bash
# Files: two files named on the command line, opening through the dialog, editing, saving,
# saving as rich text and opening that again.
. "$(dirname "$0")/lib.sh"
seed
mkdir -p "$WORK/docs"
printf 'first\r\n' >"$WORK/docs/one.txt"
printf 'second\n' >"$WORK/docs/my two.txt"

start_quiple "$WORK/docs/one.txt" "$WORK/docs/my two.txt"
win=$(wait_window "^Quiple v3.21") || fail "no main window"
wait_title "$win" "[$WORK/docs/my two.txt]"
focus "$win"
keys ctrl+End
typetext "more"
keys ctrl+s
wait_file "$WORK/docs/my two.txt" "$(printf 'second\nmore')"
keys ctrl+w                         # saved: closes without a question
wait_title "$win" "[$WORK/docs/one.txt]"
keys ctrl+End
typetext "added"
keys ctrl+s
crlf() { [ "$(od -c "$WORK/docs/one.txt" | head -1)" = "$(printf 'first\r\nadded' | od -c | head -1)" ]; }
wait_for "one.txt lost its CR LF line breaks" crlf

# Open through the dialog, edit, Save As an .rtf name, then open that again.
printf 'opened through the dialog\n' >"$WORK/docs/three.txt"
keys ctrl+o
dlg=$(dialog "^Open$" "Open dialog") || exit 1
typetext "$WORK/docs/three.txt"
keys Return
wait_title "$win" "[$WORK/docs/three.txt]"
focus "$win"
keys ctrl+End
typetext "edited"
keys alt+f a
dlg=$(dialog "^Save As$" "Save As dialog") || exit 1
shot "save-as"
keys ctrl+a
typetext "$WORK/docs/three.Rtf"
keys Return
rtf() { head -c 5 "$WORK/docs/three.Rtf" | grep -q '{\\rtf'; }
wait_for "three.Rtf is not rich text" rtf
focus "$win"
keys ctrl+w
keys ctrl+o
dlg=$(dialog "^Open$" "second Open dialog") || exit 1
keys ctrl+a
typetext "$WORK/docs/three.Rtf"
keys Return
wait_title "$win" "[$WORK/docs/three.Rtf]"
shot "reopened"
# The keyboard comes back to the file just opened, not to the document behind it.
focus "$win"
wait_title "$win" "[$WORK/docs/three.Rtf]"
keys ctrl+Home
typetext "Top "
keys ctrl+s
typed() { grep -q 'Top ' "$WORK/docs/three.Rtf"; }
wait_for "what was typed did not reach three.Rtf" typed
[ "$(cat "$WORK/docs/one.txt" | od -c | head -1)" = "$(printf 'first\r\nadded' | od -c | head -1)" ] || fail "one.txt changed"
quit
finish
