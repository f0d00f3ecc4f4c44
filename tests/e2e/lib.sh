# Shared helpers of the whole-program tests (sourced after the test has set
# PW_WIN_TARGET, the build's target: win32 or win64).
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env"
# Beside the test programs of the build being tested.
EXIT_CODE_HOST="${EXIT_CODE_HOST:-$PW_ROOT/build/$PW_WIN_TARGET/tests/e2e/exit_code_host.exe}"
# "native" runs the build machine's own programs: no Wine, plain paths.
if [ "$PW_WIN_TARGET" = native ]; then
    PW_WINE=env
    pw_winpath() { realpath -m "$1"; }
else
    pw_wine_target "$PW_WIN_TARGET" || exit 2
fi
KEY='HKCU\Software\Quillora\Pagewind'
FAILURES=0

# The data of one value of a key (empty when absent), in the registry view of
# the target's own width. A query that failed for any other reason than a
# missing value is said on stderr, so that a check that then fails shows why.
reg_value() {  # key, name
    local out err code
    err="$(mktemp)"
    out="$(WINEDEBUG=-all,err+all,fixme+reg pw_wine reg query "$1" /v "$2" 2>"$err")"
    code=$?
    if [ "$code" -ne 0 ] && ! grep -q "Unable to find" "$err" && [[ "$out" != *"Unable to find"* ]]; then
        echo "note: reg query $1 /v $2 ended with $code: $(tr -d '\r' <"$err")" >&2
    fi
    rm -f "$err"
    # Lines look like "    NAME    REG_SZ    DATA"; DATA keeps trailing spaces.
    printf '%s\n' "$out" | tr -d '\r' |
        sed -E -n 's/^    ([^ ]+)    REG_[A-Z_]+    (.*)$/\1\t\2/p' |
        awk -F '\t' -v name="$2" 'tolower($1) == tolower(name) { print $2; exit }'
}
# The data of one value of the main key (empty when absent).
reg_get() { reg_value "$KEY" "$1"; }
# Writes a string value; a value the test could not write is said at once,
# with what reg said: the checks that follow would fail with no hint why.
reg_write() {  # key, name, data
    local err code
    err="$(WINEDEBUG=-all,err+all,fixme+reg pw_wine reg add "$1" /v "$2" /t REG_SZ /d "$3" /f 2>&1 >/dev/null)"
    code=$?
    [ "$code" -eq 0 ] && return 0
    echo "FAIL: could not set $2 to '$3' (reg ended with $code): $err"
    FAILURES=$((FAILURES + 1))
    return 1
}
reg_set() { reg_write "$KEY" "$1" "$2"; }
# Crash reports counted since the settings were last reset.
report_count() { local n; n="$(reg_get er)"; echo "${n:-0}"; }
reg_del() { pw_wine reg delete "$KEY" /v "$1" /f >/dev/null 2>&1 || true; }
# Forgets the settings and the picture list (a fresh user).
reg_reset() {
    pw_wine reg delete "$KEY" /f >/dev/null 2>&1 || true
    find "$WINEPREFIX/drive_c/users" -name piclist.dat -delete 2>/dev/null || true
}

# The crash report's viewer is explorer.exe in the Windows folder. A test
# that can make a report puts the stand-in there (use_explorer_standin
# STANDIN) and the prefix's own back when it ends (restore_explorer, from its
# EXIT trap); one left there by a test that was killed is put back first.
EXPLORER="${WINEPREFIX:-}/drive_c/windows/explorer.exe"
EXPLORER_KEPT="$EXPLORER.pw-kept"
restore_explorer() {
    if [ -f "$EXPLORER_KEPT" ]; then mv -f "$EXPLORER_KEPT" "$EXPLORER"; fi
}
use_explorer_standin() {
    restore_explorer
    if [ ! -f "$EXPLORER" ]; then echo "no explorer.exe in the prefix's Windows folder" >&2; return 1; fi
    cp -p "$EXPLORER" "$EXPLORER_KEPT" && cp "$1" "$EXPLORER"
}
# The stand-in records three lines each time it starts (in PW_EXPLORER_LOG):
# its command line, its desktop and its own path.
# The page named by a viewer's command line ("C:\windows\explorer.exe"
# "C:\...\BugReport.html"), as a Unix path.
viewer_page() {
    local page
    page="$(printf '%s' "$1" | sed -E -n 's/^"[^"]*" "(.*)"$/\1/p')"
    case "$page" in
        [Cc]:*) printf '%s\n' "$WINEPREFIX/drive_c$(printf '%s' "${page:2}" | tr '\\' /)" ;;
        [Zz]:*) printf '%s\n' "${page:2}" | tr '\\' / ;;
    esac
}
# True when a path the stand-in recorded is the Windows folder's explorer.exe.
is_system_explorer() { grep -Eiq '^C:\\windows\\explorer\.exe$' <<<"$1"; }

expect_eq() {  # what, expected, actual
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: expected '$2', got '$3'"
        FAILURES=$((FAILURES + 1))
    else
        echo "ok: $1"
    fi
}
expect_true() {  # what, command...
    if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1"; FAILURES=$((FAILURES + 1)); fi
}

# Runs the program and prints its exit code.
run_scr() { timeout 120 "$PW_WINE" "$EXIT_CODE_HOST" "$(pw_winpath "$SCR")" "$@" >/dev/null 2>&1; echo $?; }

# A whole-program test's own places: the photos folder, the installation
# folder ("Path", with the page background) and screenshots.
reg_set_folder() { reg_write "$KEY\\Folders" "$1" "$(pw_winpath "$2")"; }

# Waits until a window whose name matches the pattern is on the display;
# false when none came within 30 s.
wait_for_window() {
    for _ in $(seq 150); do
        if xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; then return 0; fi
        sleep 0.2
    done
    return 1
}

# Makes the window whose name matches the pattern the active one and waits
# until it is (the window manager hands it the keyboard); false after 10 s.
focus_window() {
    local w
    for _ in $(seq 100); do
        w="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)"
        if [ -n "$w" ]; then
            # The window manager's active window, and the X keyboard focus
            # that Wine's window takes once it has handled the change.
            if [ "$(xdotool getactivewindow 2>/dev/null)" = "$w" ] &&
                [ "$(xdotool getwindowfocus -f 2>/dev/null)" = "$w" ]; then
                return 0
            fi
            xdotool windowactivate "$w" 2>/dev/null
        fi
        sleep 0.1
    done
    return 1
}

# Starts the full-screen show in the background and waits until its window
# is on the display; false when it never came. The show's milestones (its
# debug strings: "first frame", "turn started", "turn ended", "spread
# prepared") go to SHOW_LOG for wait_for_show.
start_show() {
    SHOW_CODE="$(mktemp)"
    SHOW_LOG="$(mktemp)"
    rm -f "$SHOW_CODE"
    # Through the host, so that the code is the one Windows reports.
    (WINEDEBUG=-all,warn+debugstr timeout 180 "$PW_WINE" "$EXIT_CODE_HOST" "$(pw_winpath "$SCR")" /s \
        >/dev/null 2>"$SHOW_LOG"; echo $? >"$SHOW_CODE") &
    wait_for_window 'Quillora Pagewind'
}
# How many times the running show has reached a milestone.
show_count() { grep -c "Pagewind: $1" "$SHOW_LOG" 2>/dev/null; }
# Waits until the show has reached the milestone COUNT times in all (default
# 1); false when that did not happen within 60 s or the show ended first.
wait_for_show() {  # milestone, [count]
    for _ in $(seq 600); do
        if [ "$(show_count "$1")" -ge "${2:-1}" ]; then return 0; fi
        if [ -s "$SHOW_CODE" ]; then return 1; fi
        sleep 0.1
    done
    return 1
}
# The same, counting a failure when it does not come.
expect_show() {  # milestone, [count]
    if ! wait_for_show "$@"; then
        echo "FAIL: the show never reached \"$1\" ${2:-1} time(s) (it said: $(grep -o 'Pagewind: [a-z ]*' "$SHOW_LOG" | sort | uniq -c | tr -s ' \n' ' '))"
        FAILURES=$((FAILURES + 1))
        return 1
    fi
}
# The show's latest milestone.
show_last() { grep -o 'Pagewind: [a-z ]*' "$SHOW_LOG" 2>/dev/null | tail -n1 | sed 's/^Pagewind: //'; }
# Presses a key that turns a page (an arrow) and waits until that turn has
# ended and the next spread is prepared: the show is at rest again.
turn_with_key() {  # key
    local turns
    turns="$(show_count 'turn ended')"
    show_key "$1"
    for _ in $(seq 600); do
        if [ "$(show_count 'turn ended')" -gt "$turns" ] && [ "$(show_last)" = "spread prepared" ]; then return 0; fi
        sleep 0.1
    done
    echo "FAIL: $1 turned no page (the show said: $(show_last))"
    FAILURES=$((FAILURES + 1))
    return 1
}
# Waits for the show started by start_show to end and prints its exit code
# ("still running" when it did not end within SECONDS, default 20).
show_exit_code() {
    for _ in $(seq "${1:-20}0"); do
        if [ -s "$SHOW_CODE" ]; then cat "$SHOW_CODE"; rm -f "$SHOW_CODE" "$SHOW_LOG"; return; fi
        sleep 0.1
    done
    echo "still running"
}
# Presses a key in the show's window
# (once the window manager has given it the keyboard).
show_key() {
    focus_window 'Quillora Pagewind' || echo "the show's window never got the keyboard" >&2
    xdotool key --clearmodifiers "$1" 2>/dev/null
}
screenshot() { import -window root -display "$DISPLAY" "$1" 2>/dev/null; }
# The desktop's wallpaper file, as a Unix path (empty when none is set).
wallpaper_file() {
    local path
    path="$(pw_wine reg query 'HKCU\Control Panel\Desktop' /v Wallpaper 2>/dev/null | tr -d '\r' |
        sed -n -E 's/^ +Wallpaper +REG_[A-Z_]+ +(.*)$/\1/p')"
    [ -n "$path" ] && pw_wine winepath -u "$path" 2>/dev/null | tr -d '\r'
}
# Percentage of a screenshot's pixels within 40 of the colour #RRGGBB.
colour_share() {
    # Everything else black first, so that white already in the picture is
    # not counted as the colour.
    convert "$1" -fuzz 16% -fill black +opaque "$2" -fill white -opaque "$2" -format '%[fx:100*mean]' info: 2>/dev/null
}
# Share of a colour in the left or right half of a 1920 x 1080 screenshot.
half_share() {  # file, left|right, colour
    local geometry=960x1080+0+0
    [ "$2" = right ] && geometry=960x1080+960+0
    colour_share "$1[$geometry]" "$3"
}
# Percentage of a screenshot's pixels that are black or nearly so.
black_share() { convert "$1" -colorspace gray -threshold 6% -negate -format '%[fx:100*mean]' info: 2>/dev/null; }
# `pwtool decode` of FILE into OUT.bmp (PWTOOL, under the target's Wine);
# prints its result lines, its messages go to $dir/stderr.
decode() {  # file, output bmp, more pwtool arguments
    rm -f "$2"
    timeout 120 $PW_WINE "$PWTOOL" decode "$(pw_winpath "$1")" --out "$(pw_winpath "$2")" "${@:3}" 2>"$dir/stderr" |
        tr -d '\r'
    return "${PIPESTATUS[0]}"
}
# The normalised RMSE of two pictures (1 when they cannot be compared).
rmse() {
    local out
    out="$(compare -metric RMSE "$1" "$2" null: 2>&1)"
    [[ "$out" =~ \(([0-9.e-]+)\) ]] && echo "${BASH_REMATCH[1]}" || echo 1
}
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
expect_close() {  # what, picture, reference, limit
    local r
    r="$(rmse "$2" "$3")"
    if below "$r" "$4"; then echo "ok: $1 (RMSE $r)"; else echo "FAIL: $1: RMSE $r, limit $4"; FAILURES=$((FAILURES + 1)); fi
}
at_least() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a >= b) }'; }
expect_at_least() {  # what, minimum, actual
    if at_least "$3" "$2"; then echo "ok: $1 ($3)"; else echo "FAIL: $1: $3 is below $2"; FAILURES=$((FAILURES + 1)); fi
}
# Passes when ACTUAL is a number under BOUND (an empty or garbled share fails).
expect_below() {  # what, bound, actual
    if [[ "$3" =~ ^[0-9.]+([eE][-+]?[0-9]+)?$ ]] && ! at_least "$3" "$2"; then
        echo "ok: $1 ($3)"
    else
        echo "FAIL: $1: '$3' is not below $2"
        FAILURES=$((FAILURES + 1))
    fi
}

finish() {
    if [ "$FAILURES" -ne 0 ]; then echo "$FAILURES failure(s)"; exit 1; fi
    echo "all passed"
}

# Every value of the main key as NAME=DATA lines (one registry query).
reg_snapshot() {
    pw_wine reg query "$KEY" 2>/dev/null | tr -d '\r' |
        sed -E -n 's/^    ([^ ]+)    REG_[A-Z_]+    ?(.*)$/\1=\2/p' | sort
}
# The data of NAME in a snapshot.
snap_get() {
    printf '%s\n' "$1" | awk -v name="$2" 'index($0, name "=") == 1 { print substr($0, length(name) + 2); exit }'
}

# Runs a settings_driver script (read from stdin) and adds its failures to
# FAILURES; its lines are printed with the NAME in front. DRIVER is the
# driver program, WORK a scratch folder, SHOTS where "shot" commands put
# their screenshots (cut to the settings window). While it runs, the driver's
# screenshot requests are served here: the root window is taken, the window's
# size on screen is checked against its rectangle (the desktop around it must
# be the plain colour that paint_desktop painted: DESKTOP_COLOUR), and the
# picture is cut to the window.
DESKTOP_COLOUR='#ff00ff'
# Paints the X root window (the desktop around Wine's windows) in one colour.
# (A colour set with xsetroot -solid does not show in screenshots of the root
# here; a background picture does.)
paint_desktop() {
    convert -size 8x8 "xc:$1" "$WORK/desktop.png" &&
        timeout 10 display -display "$DISPLAY" -window root "$WORK/desktop.png" >/dev/null 2>&1
    return 0
}
run_driver() {
    local name="$1" script="$WORK/$1.script" sync="$WORK/sync-$1" out="$WORK/$1.out"
    cat >"$script"
    mkdir -p "$sync" "$SHOTS"
    rm -f "$sync/request" "$sync/keys"
    timeout 400 "$PW_WINE" "$DRIVER" --sync "$(pw_winpath "$sync")" "$(pw_winpath "$script")" >"$out" 2>/dev/null &
    local pid=$! shot x y w h seen
    while kill -0 "$pid" 2>/dev/null; do
        if [ -f "$sync/keys" ]; then
            # Into whatever has the keyboard, as a user's keys would go.
            xdotool key --clearmodifiers $(tr -d '\r' <"$sync/keys") 2>/dev/null
            rm -f "$sync/keys"
        fi
        if [ -f "$sync/request" ]; then
            read -r shot x y w h < <(tr -d '\r' <"$sync/request")
            screenshot "$SHOTS/$shot.png"
            seen="$(convert "$SHOTS/$shot.png" -bordercolor "$DESKTOP_COLOUR" -border 1 -fuzz 3% -trim \
                    -format '%wx%h+%[fx:page.x-1]+%[fx:page.y-1]' info: 2>/dev/null)"
            expect_eq "$name: $shot: the window covers ${w}x${h}+$x+$y of the screen" "${w}x${h}+$x+$y" "$seen"
            convert "$SHOTS/$shot.png" -crop "${w}x${h}+${x}+${y}" +repage "$SHOTS/$shot.png"
            rm -f "$sync/request"
        fi
        sleep 0.1
    done
    wait "$pid"
    local code=$?
    tr -d '\r' <"$out" | sed "s/^/$name: /"
    local failed
    failed=$(grep -c '^FAIL' "$out")
    if [ "$code" -ne 0 ] && [ "$failed" -eq 0 ]; then
        echo "FAIL: $name: the driver ended with code $code"
        failed=1
    fi
    FAILURES=$((FAILURES + failed))
}
