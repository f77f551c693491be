#!/usr/bin/env bash
# Commands by their keys: smart tabs indenting a typed block, the template, cutting from one
# document and pasting into another, saving both, and the pop-up menu on a right-click.
. "$(dirname "$0")/lib.sh"
seed
mkdir -p "$WORK/docs"
start_quiple
win=$(wait_window "^Quiple v3.21") || fail "no main window"
focus "$win"

# Smart tabs: the second line starts with the first line's tab.
keys Tab
typetext "first"
keys Return
typetext "second"
keys ctrl+s
wait_window "^Save$" 10 >/dev/null || fail "no Save dialog"
typetext "$WORK/docs/indented.txt"
keys Return
focus "$win"
[ "$(cat "$WORK/docs/indented.txt")" = "$(printf '\tfirst\n\tsecond')" ] \
    || fail "indented.txt holds: $(od -c "$WORK/docs/indented.txt")"

# The template (F11) into a new document, cut from it and pasted into a third one.
keys ctrl+n
keys F11
sleep 1
keys ctrl+a ctrl+x
keys ctrl+n
sleep 0.5
[[ "$(title "$win")" == *"[Untitled 3]" ]] || fail "caption is '$(title "$win")'"
keys ctrl+v
keys ctrl+s
wait_window "^Save$" 10 >/dev/null || fail "no second Save dialog"
typetext "$WORK/docs/page.html"
keys Return
focus "$win"
grep -q '<HTML>' "$WORK/docs/page.html" || fail "page.html holds: $(cat "$WORK/docs/page.html")"
grep -q '</BODY>' "$WORK/docs/page.html" || fail "page.html lacks the body"

# The pop-up menu on a right-click in the document.
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 200)) $((Y + 200)) click 3
sleep 0.5
shot "context-menu"
keys Escape

# Untitled 2 lost its text to the cut: quitting asks about it; No lets the program end.
keys ctrl+q
answer "^Quiple$" alt+n "question about the modified document"
wait_exit || fail "the program did not end"
finish
