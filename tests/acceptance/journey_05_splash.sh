#!/usr/bin/env bash
# The splash window shows first, by itself, and the main window follows when it closes.
. "$(dirname "$0")/lib.sh"
seed SplashScreen YES
start=$(date +%s%N)
start_quiple
sleep 0.6
shot "splash"
xdotool search --onlyvisible --name "^Quiple v3.21" >/dev/null 2>&1 && fail "the main window came before the splash window closed"
win=$(wait_window "^Quiple v3.21" 10) || fail "no main window after the splash window"
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$elapsed" -ge 1400 ] || fail "the main window came after $elapsed ms, before the splash window's time was up"
focus "$win"
quit
finish
