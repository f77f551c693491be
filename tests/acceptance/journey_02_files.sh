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
sleep 0.5
[[ "$(title "$win")" == *"[$WORK/docs/my two.txt]" ]] || fail "caption is '$(title "$win")'"
focus "$win"
keys ctrl+End
typetext "more"
keys ctrl+s
keys ctrl+w                         # saved: closes without a question
sleep 0.5
[[ "$(title "$win")" == *"[$WORK/docs/one.txt]" ]] || fail "after closing, caption is '$(title "$win")'"
keys ctrl+End
typetext "added"
keys ctrl+s
[ "$(cat "$WORK/docs/my two.txt")" = "$(printf 'second\nmore')" ] || fail "my two.txt holds '$(cat "$WORK/docs/my two.txt")'"
[ "$(od -c "$WORK/docs/one.txt" | head -1)" = "$(printf 'first\r\nadded' | od -c | head -1)" ] \
    || fail "one.txt lost its line breaks: $(od -c "$WORK/docs/one.txt")"

# Open through the dialog, edit, Save As an .rtf name, then open that again.
printf 'opened through the dialog\n' >"$WORK/docs/three.txt"
keys ctrl+o
dlg=$(wait_window "^Open$" 10) || fail "no Open dialog"
typetext "$WORK/docs/three.txt"
keys Return
sleep 0.5
[[ "$(title "$win")" == *"[$WORK/docs/three.txt]" ]] || fail "opened caption is '$(title "$win")'"
focus "$win"                        # no window manager gives the focus back
keys ctrl+End
typetext "edited"
keys alt+f a
dlg=$(wait_window "^Save As$" 10) || fail "no Save As dialog"
shot "save-as"
keys ctrl+a
typetext "$WORK/docs/three.Rtf"
keys Return
sleep 0.5
head -c 5 "$WORK/docs/three.Rtf" | grep -q '{\\rtf' || fail "three.Rtf is not rich text"
focus "$win"
keys ctrl+w
keys ctrl+o
dlg=$(wait_window "^Open$" 10) || fail "no second Open dialog"
keys ctrl+a
typetext "$WORK/docs/three.Rtf"
keys Return
sleep 0.5
[[ "$(title "$win")" == *"[$WORK/docs/three.Rtf]" ]] || fail "reopened caption is '$(title "$win")'"
shot "reopened"
focus "$win"
quit
finish
