# Helpers for the journeys: start the program with a settings store of its own, find its
# windows, type and press keys like a person, and check what it left on disk.
set -u
JOURNEY=$(basename "$0" .sh)
WORK=$(mktemp -d "/tmp/quiple-$JOURNEY.XXXXXX")
export XDG_CONFIG_HOME="$WORK/config"
export XDG_DATA_HOME="$WORK/data"
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -p "$XDG_CONFIG_HOME/Quiple" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
CONF="$XDG_CONFIG_HOME/Quiple/Quiple.conf"
QUIPLE_PID=""

# seed KEY VALUE...: settings written before start. Splash and visual styles stay off unless given.
seed() {
    {
        echo "[Settings]"
        grep -q '^SplashScreen=' <(printf '%s\n' "$@" | paste -d= - -) || echo "SplashScreen=NO"
        grep -q '^UseXPThemes=' <(printf '%s\n' "$@" | paste -d= - -) || echo "UseXPThemes=NO"
        while [ $# -ge 2 ]; do echo "$1=$2"; shift 2; done
    } >"$CONF"
}

fail() {
    echo "  $JOURNEY: $*" >&2
    shot "failure"
    [ -n "$QUIPLE_PID" ] && kill "$QUIPLE_PID" 2>/dev/null
    exit 1
}

shot() {
    command -v import >/dev/null && import -window root "$QUIPLE_ARTIFACTS/$JOURNEY-$1.png" 2>/dev/null
}

start_quiple() {
    "$QUIPLE_BIN" "$@" >"$WORK/quiple.log" 2>&1 &
    QUIPLE_PID=$!
}

# wait_window PATTERN [SECONDS]: the id of a visible window whose name matches PATTERN.
wait_window() {
    local pattern=$1 limit=${2:-20} id
    for _ in $(seq $((limit * 10))); do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | tail -n1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# wait_gone PATTERN: until no visible window matches.
wait_gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

focus() {
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    local geo
    geo=$(xdotool getwindowgeometry --shell "$1")
    eval "$geo"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    sleep 0.2
}

# answer PATTERN KEY WHAT: a window named PATTERN comes within 10 s (else "no WHAT") and gets KEY.
answer() {
    local box
    box=$(wait_window "$1" 10) || fail "no $3"
    focus "$box"
    keys "$2"
}

keys() { xdotool key --delay 60 "$@"; sleep 0.3; }
typetext() { xdotool type --delay 30 "$1"; sleep 0.3; }
title() { xdotool getwindowname "$1"; }

# wait_exit: the program ends by itself within 10 s.
wait_exit() {
    for _ in $(seq 100); do
        kill -0 "$QUIPLE_PID" 2>/dev/null || { QUIPLE_PID=""; return 0; }
        sleep 0.1
    done
    return 1
}

# quit: Ctrl+Q, and the program ends within 10 s.
quit() {
    keys ctrl+q
    wait_exit || fail "the program did not end"
}

setting() { sed -n "s/^$1=//p" "$CONF" | tr -d '"'; }

finish() {
    [ -n "$QUIPLE_PID" ] && kill "$QUIPLE_PID" 2>/dev/null
    # A sanitizer's report from the program fails the journey like any other fault.
    if grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$WORK/quiple.log"; then
        cat "$WORK/quiple.log" >&2
        fail "the sanitizers reported a fault"
    fi
    rm -rf "$WORK"
}
