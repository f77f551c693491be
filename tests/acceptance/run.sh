#!/usr/bin/env bash
# The real-window suite: runs every journey_*.sh against the built program in its own Xvfb.
# Usage: run.sh /path/to/quiple [journey-name-filter]
set -u
export QUIPLE_BIN=$(readlink -f "$1")
filter=${2:-}
here=$(cd "$(dirname "$0")" && pwd)

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done

export QUIPLE_ARTIFACTS=${QUIPLE_ARTIFACTS:-$(mktemp -d /tmp/quiple-acceptance.XXXXXX)}
exec 3>"$QUIPLE_ARTIFACTS/displayfd"
# -noreset: without it the server restarts whenever its last client leaves, and a journey that
# starts the program at that moment finds no display.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$QUIPLE_ARTIFACTS/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
for _ in $(seq 100); do
    [ -s "$QUIPLE_ARTIFACTS/displayfd" ] && break
    sleep 0.1
done
export DISPLAY=":$(head -n1 "$QUIPLE_ARTIFACTS/displayfd")"
echo "Xvfb on $DISPLAY; screenshots in $QUIPLE_ARTIFACTS"

passed=0 failed=0
for journey in "$here"/journey_*.sh; do
    name=$(basename "$journey" .sh)
    [ -n "$filter" ] && [[ "$name" != *"$filter"* ]] && continue
    if bash "$journey"; then
        echo "PASS $name"
        passed=$((passed + 1))
    else
        echo "FAIL $name"
        failed=$((failed + 1))
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
