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

# find_window PATTERN: the id of a visible window of the program whose name matches PATTERN (an
# extended regular expression). By class: the splash window and pop-up menus are not found by name.
find_window() {
    local id found=""
    for id in $(xdotool search --onlyvisible --classname quiple 2>/dev/null); do
        [[ "$(xdotool getwindowname "$id" 2>/dev/null)" =~ $1 ]] && found=$id
    done
    [ -n "$found" ] && echo "$found"
}

# wait_window PATTERN [SECONDS]: the id of a visible window whose name matches PATTERN.
wait_window() {
    local limit=${2:-20} id
    for _ in $(seq $((limit * 10))); do
        id=$(find_window "$1") && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# wait_gone PATTERN: until no visible window matches.
wait_gone() {
    for _ in $(seq 100); do
        find_window "$1" >/dev/null || return 0
        sleep 0.1
    done
    return 1
}

# wait_for WHAT CMD...: CMD succeeds within 10 s, else the journey fails, naming WHAT.
wait_for() {
    local what=$1
    shift
    poll "$@" || fail "$what"
}

has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# focus ID: the window gets the keyboard (no window manager gives it back after a dialog).
focus() {
    xdotool windowfocus "$1" 2>/dev/null
    wait_for "window $1 ($(title "$1" 2>/dev/null)) never had the keyboard" has_focus "$1"
    local geo
    geo=$(xdotool getwindowgeometry --shell "$1")
    eval "$geo"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
}

# dialog PATTERN WHAT: the id of a window named PATTERN, once it has the keyboard, so that what
# is typed next reaches its first box; the journey fails naming WHAT when none comes.
dialog() {
    local id
    id=$(wait_window "$1" 10) || fail "no $2"
    poll has_focus "$id" || fail "$2 never had the keyboard"
    echo "$id"
}

# poll CMD...: CMD succeeds within 10 s.
poll() {
    for _ in $(seq 200); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    return 1
}

title_has() { [[ "$(title "$1")" == *"$2"* ]]; }
file_is() { [ -e "$1" ] && [ "$(cat "$1")" = "$2" ]; }
# wait_title WINDOW TEXT: the caption comes to hold TEXT.
wait_title() { poll title_has "$1" "$2" || fail "caption is '$(title "$1")', without '$2'"; }
# wait_file PATH TEXT: the file comes to hold exactly TEXT.
wait_file() { poll file_is "$1" "$2" || fail "$1 holds '$(cat "$1" 2>&1)'"; }

# answer PATTERN KEY WHAT: a window named PATTERN comes within 10 s (else "no WHAT") and gets KEY.
answer() {
    local box
    box=$(dialog "$1" "$3") || exit 1
    keys "$2"
}

# Keys and text go to the window that has the keyboard, in order, as a person's would.
keys() { xdotool key --delay 60 "$@"; }
typetext() { xdotool type --delay 30 "$1"; }
title() { xdotool getwindowname "$1"; }

# wait_exit: the program ends by itself within 10 s: its process is gone, and so are its windows.
# (Once, on a freshly started display, the process seemed gone while its question was still up,
# and the journey read the settings the program had not yet written.)
wait_exit() {
    for _ in $(seq 100); do
        if ! kill -0 "$QUIPLE_PID" 2>/dev/null \
            && ! xdotool search --onlyvisible --classname quiple >/dev/null 2>&1; then
            QUIPLE_PID=""
            return 0
        fi
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
