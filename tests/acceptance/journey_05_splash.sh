#!/usr/bin/env bash
# The splash window shows first, by itself, for its time; the main window follows when it closes.
. "$(dirname "$0")/lib.sh"
seed SplashScreen YES
start_quiple
wait_window "^Quiple$" 20 >/dev/null || fail "no splash window"
shown=$(date +%s%N)
shot "splash"
find_window "^Quiple v3.21" >/dev/null && fail "the main window came before the splash window closed"
win=$(wait_window "^Quiple v3.21" 10) || fail "no main window after the splash window"
elapsed=$(( ($(date +%s%N) - shown) / 1000000 ))
# Its 1.5 s, less what it took to see it.
[ "$elapsed" -ge 1000 ] || fail "the main window came $elapsed ms after the splash window showed"
find_window "^Quiple$" >/dev/null && fail "the splash window stayed"
focus "$win"
quit
finish
