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
dialog "^Save$" "Save dialog" >/dev/null || exit 1
typetext "$WORK/docs/indented.txt"
keys Return
wait_file "$WORK/docs/indented.txt" "$(printf '\tfirst\n\tsecond')"
focus "$win"

# The template (F11) into a new document, cut from it and pasted into a third one.
keys ctrl+n
wait_title "$win" "[Untitled 2]"
keys F11 ctrl+a ctrl+x ctrl+n
wait_title "$win" "[Untitled 3]"
keys ctrl+v ctrl+s
dialog "^Save$" "second Save dialog" >/dev/null || exit 1
typetext "$WORK/docs/page.html"
keys Return
wait_for "page.html is not the template" grep -q '</BODY>' "$WORK/docs/page.html"
grep -q '<HTML>' "$WORK/docs/page.html" || fail "page.html holds: $(cat "$WORK/docs/page.html")"
focus "$win"

# The pop-up menu on a right-click: Select All from it, then the typing replaces everything.
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 200)) $((Y + 200)) click 3
wait_window "^Quiple$" 10 >/dev/null || fail "no pop-up menu on the right-click"   # menus carry the program's name
shot "context-menu"
keys a
typetext "replaced"
keys ctrl+s
wait_file "$WORK/docs/page.html" "replaced"

# Untitled 2 lost its text to the cut: quitting asks about it; No lets the program end.
keys ctrl+q
answer "^Quiple$" alt+n "question about the modified document"
wait_exit || fail "the program did not end"
finish
