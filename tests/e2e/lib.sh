# Shared helpers of the whole-program tests (sourced after the test has set
# PW_WIN_TARGET, the build's target: win32 or win64).
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env"
# Beside the test programs of the build being tested.
EXIT_CODE_HOST="${EXIT_CODE_HOST:-$PW_ROOT/build/$PW_WIN_TARGET/tests/e2e/exit_code_host.exe}"
pw_wine_target "$PW_WIN_TARGET" || exit 2
KEY='HKCU\Software\Quillora\Pagewind'
FAILURES=0

# The data of one value of a key (empty when absent), in the registry view of
# the target's own width.
reg_value() {  # key, name
    # Lines look like "    NAME    REG_SZ    DATA"; DATA keeps trailing spaces.
    pw_wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        sed -E -n 's/^    ([^ ]+)    REG_[A-Z_]+    (.*)$/\1\t\2/p' |
        awk -F '\t' -v name="$2" 'tolower($1) == tolower(name) { print $2; exit }'
}
# The data of one value of the main key (empty when absent).
reg_get() { reg_value "$KEY" "$1"; }
reg_set() { pw_wine reg add "$KEY" /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1; }
reg_del() { pw_wine reg delete "$KEY" /v "$1" /f >/dev/null 2>&1 || true; }
# Forgets the settings and the picture list (a fresh user).
reg_reset() {
    pw_wine reg delete "$KEY" /f >/dev/null 2>&1 || true
    find "$WINEPREFIX/drive_c/users" -name piclist.dat -delete 2>/dev/null || true
}

expect_eq() {  # what, expected, actual
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: expected '$2', got '$3'"
        FAILURES=$((FAILURES + 1))
    else
        echo "ok: $1"
    fi
}

# Runs the program and prints its exit code.
run_scr() { timeout 120 "$PW_WINE" "$EXIT_CODE_HOST" "$(pw_winpath "$SCR")" "$@" >/dev/null 2>&1; echo $?; }

# A whole-program test's own places: the photos folder, the installation
# folder ("Path", with the page background) and screenshots.
reg_set_folder() { pw_wine reg add "$KEY\\Folders" /v "$1" /t REG_SZ /d "$(pw_winpath "$2")" /f >/dev/null 2>&1; }

# Waits until a window whose name matches the pattern is on the display;
# false when none came within 30 s.
wait_for_window() {
    for _ in $(seq 150); do
        if xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; then return 0; fi
        sleep 0.2
    done
    return 1
}

# Starts the full-screen show in the background and waits until its window
# is on the display; false when it never came.
start_show() {
    SHOW_CODE="$(mktemp)"
    rm -f "$SHOW_CODE"
    # Through the host, so that the code is the one Windows reports.
    (timeout 180 "$PW_WINE" "$EXIT_CODE_HOST" "$(pw_winpath "$SCR")" /s >/dev/null 2>&1; echo $? >"$SHOW_CODE") &
    wait_for_window 'Quillora Pagewind'
}
# Waits for the show started by start_show to end and prints its exit code
# ("still running" when it did not end within SECONDS, default 20).
show_exit_code() {
    for _ in $(seq "${1:-20}0"); do
        if [ -s "$SHOW_CODE" ]; then cat "$SHOW_CODE"; rm -f "$SHOW_CODE"; return; fi
        sleep 0.1
    done
    echo "still running"
}
# Presses a key in the show's window.
show_key() { xdotool key --clearmodifiers "$1" 2>/dev/null; }
screenshot() { import -window root -display "$DISPLAY" "$1" 2>/dev/null; }
# Percentage of a screenshot's pixels within 40 of the colour #RRGGBB.
colour_share() {
    convert "$1" -fuzz 16% -fill white -opaque "$2" -fill black +opaque white -format '%[fx:100*mean]' info: 2>/dev/null
}
at_least() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a >= b) }'; }
expect_at_least() {  # what, minimum, actual
    if at_least "$3" "$2"; then echo "ok: $1 ($3)"; else echo "FAIL: $1: $3 is below $2"; FAILURES=$((FAILURES + 1)); fi
}

finish() {
    if [ "$FAILURES" -ne 0 ]; then echo "$FAILURES failure(s)"; exit 1; fi
    echo "all passed"
}
