#!/usr/bin/env bash
# A first start with an empty settings store: the caption, one untitled document, typing,
# quitting without saving, and the layout the main window leaves in the settings.
. "$(dirname "$0")/lib.sh"
seed
start_quiple
win=$(wait_window "^Quiple v3.21") || fail "no main window"
wait_title "$win" "Untitled 1"
focus "$win"
typetext "a line typed by a person"
shot "typed"
keys ctrl+q
answer "^Quiple$" alt+n "question about the modified document"
wait_exit || fail "the program did not end after No"
[ "$(setting MDIMaximized)" = "FALSE" ] || fail "MDIMaximized is '$(setting MDIMaximized)'"
[ "$(setting MainLeft)" = "300" ] || fail "MainLeft is '$(setting MainLeft)'"
# Sizes come back to the nearest whole pixel (15 twips at 96 dots per inch).
w=$(setting MainWidth); h=$(setting MainHeight)
[ "${w%.*}" -ge 9485 ] && [ "${w%.*}" -le 9515 ] || fail "MainWidth is '$w'"
[ "${h%.*}" -ge 6735 ] && [ "${h%.*}" -le 6765 ] || fail "MainHeight is '$h'"
[ "$(setting MainToolbar)" = "TRUE" ] || fail "MainToolbar is '$(setting MainToolbar)'"
[ "$(setting MainStatusBar)" = "TRUE" ] || fail "MainStatusBar is '$(setting MainStatusBar)'"
finish
