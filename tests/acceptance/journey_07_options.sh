#!/usr/bin/env bash
# Options: lower-case tags, smart tabs off, confirm on exit and a document font, applied, then
# seen in effect after a restart.
. "$(dirname "$0")/lib.sh"
seed
mkdir -p "$WORK/docs"
start_quiple
win=$(wait_window "^Quiple v3.21") || fail "no main window"
focus "$win"
keys alt+t o
dialog "^Quiple Options$" "Options dialog" >/dev/null || exit 1
keys alt+l                          # lowercase tags
keys alt+t                          # smart tabs off
keys alt+s Tab space                # past the splash box to "Confirm before exiting."
keys alt+s                          # splash back as it was (the keys above toggled it)
keys ctrl+Tab ctrl+Tab              # the Font tab
keys Tab ctrl+a                     # from the name list to the size box
typetext "14x"                      # the letter is refused: the stored size comes back
keys ctrl+a
typetext "14"
shot "options"
keys Return                         # OK applies
wait_gone "^Quiple Options$" || fail "the Options dialog did not close"
focus "$win"
keys ctrl+q
answer "^Confirm exit...$" alt+y "confirmation on exit"
wait_exit || fail "the program did not end"
[ "$(setting HTMLTagCase)" = "lowercase" ] || fail "HTMLTagCase is '$(setting HTMLTagCase)'"
[ "$(setting UseSmartTabs)" = "NO" ] || fail "UseSmartTabs is '$(setting UseSmartTabs)'"
[ "$(setting ConfirmExit)" = "YES" ] || fail "ConfirmExit is '$(setting ConfirmExit)'"
[ "$(setting FontSize)" = "14" ] || fail "FontSize is '$(setting FontSize)'"

# The next start: lower-case tags, no smart tabs.
start_quiple
win=$(wait_window "^Quiple v3.21") || fail "no main window after the restart"
focus "$win"
keys F11 ctrl+End Return Tab
typetext "x"
keys Return
typetext "y"
keys ctrl+s
dialog "^Save$" "Save dialog" >/dev/null || exit 1
typetext "$WORK/docs/page.html"
keys Return
wait_for "no page.html was saved" test -s "$WORK/docs/page.html"
grep -q '<html>' "$WORK/docs/page.html" || fail "the template's tags are not lower case"
tail -c 4 "$WORK/docs/page.html" | od -c | grep -q '\\t   x  \\n   y' || fail "smart tabs still indent: $(tail -c 6 "$WORK/docs/page.html" | od -c)"
focus "$win"
keys ctrl+q
answer "^Confirm exit...$" alt+y "confirmation on exit after the restart"
wait_exit || fail "the program did not end"
finish
