#!/usr/bin/env bash
# What ends a full-screen show and what does not: a click, fifteen mouse
# moves (none with "MouseMove" off), the screen-saver password refused once;
# and the pages the show draws when it has nothing to show.
set -u
PW_WIN_TARGET="$1"
PROGRAM="$2"
PASSWORD_STANDIN="$3"
EXPLORER_STANDIN="$4"
source "$(dirname "$0")/lib.sh"

work="$(mktemp -d)"
trap 'restore_explorer; rm -rf "$work"' EXIT
# The crash report's viewer: the tests' stand-in, never a real window; it
# records its start in the test's own folder.
use_explorer_standin "$EXPLORER_STANDIN" || exit 1
export PW_EXPLORER_LOG
PW_EXPLORER_LOG="$(pw_winpath "$work/explorer.log")"
mkdir -p "$work/photos" "$work/install"
cp "$PROGRAM" "$work/install/Pagewind.scr"
SCR="$work/install/Pagewind.scr"
convert -size 800x600 xc:'#d02020' "$work/photos/a.jpg"
convert -size 800x600 xc:'#2040d0' "$work/photos/b.jpg"

desktop() { pw_wine reg "$@" >/dev/null 2>&1; }
reset_show() {
    reg_reset
    reg_set Path "$(pw_winpath "$work/install")"
    reg_set_folder 1 "$work/photos"
    reg_set Delay 1000
    reg_set Convert 800
}
# Moves the mouse to N new places, one by one.
# Places never visited before in this test, so that every move is a move.
MOVES=0
move_mouse() {
    for _ in $(seq "$1"); do
        MOVES=$((MOVES + 1))
        xdotool mousemove $((100 + 29 * MOVES)) $((100 + 17 * MOVES))
        sleep 0.15
    done
}

reset_show
start_show || echo "FAIL: no show window"
expect_show "first frame"
xdotool click 1
expect_eq "a click ends the show" 0 "$(show_exit_code 20)"

start_show || echo "FAIL: no show window"
expect_show "first frame"
move_mouse 14
expect_eq "fourteen mouse moves do not end the show" "still running" "$(show_exit_code 2)"
move_mouse 1
expect_eq "the fifteenth does" 0 "$(show_exit_code 20)"

reg_set MouseMove 0
start_show || echo "FAIL: no show window"
expect_show "first frame"
move_mouse 20
expect_eq "with MouseMove off the mouse does not end the show" "still running" "$(show_exit_code 2)"
show_key Escape
expect_eq "a key still does" 0 "$(show_exit_code 20)"

# The password: refused the first time, so the show goes on and needs
# fifteen fresh mouse moves before it asks again.
reset_show
cp "$PASSWORD_STANDIN" "$work/install/PASSWORD.CPL"
desktop add 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /t REG_DWORD /d 1 /f
start_show || echo "FAIL: no show window"
expect_show "first frame"
show_key Escape
expect_eq "a refused password keeps the show going" "still running" "$(show_exit_code 3)"
move_mouse 14
expect_eq "fourteen moves after the refusal do not ask again" "still running" "$(show_exit_code 2)"
move_mouse 1
expect_eq "the fifteenth asks, and the accepted password ends the show" 0 "$(show_exit_code 20)"
expect_eq "the password was asked twice" 2 "$(tr -d '\r' <"$work/install/password_calls.txt" 2>/dev/null)"
desktop delete 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /f
rm -f "$work/install/PASSWORD.CPL"

# Nothing to show: the notice in red on the pages.
reset_show
mkdir -p "$work/nothing"
reg_set_folder 1 "$work/nothing"
start_show || echo "FAIL: no show window"
expect_show "spread prepared"
screenshot "$work/empty.png"
show_key Escape
expect_eq "an empty list still ends cleanly" 0 "$(show_exit_code 20)"
expect_at_least "\"No pictures selected\" in red (% of the screen)" 0.02 "$(colour_share "$work/empty.png" '#ff0000')"

# Nothing readable: the other notice.
reset_show
mkdir -p "$work/broken"
printf 'not a picture' >"$work/broken/one.jpg"
head -c 3000 /dev/urandom >"$work/broken/two.jpg"
reg_set_folder 1 "$work/broken"
start_show || echo "FAIL: no show window"
expect_show "spread prepared"
screenshot "$work/broken.png"
show_key Escape
expect_eq "unreadable pictures still end cleanly" 0 "$(show_exit_code 20)"
expect_at_least "\"Can't read pictures\" in red (% of the screen)" 0.02 "$(colour_share "$work/broken.png" '#ff0000')"

# Three photos per spread is not a layout: the show fails, reported.
reset_show
reg_set Screens 3
expect_eq "\"incorrect pps, 3\" ends the program through the crash report" 217 "$(run_scr /s)"
expect_eq "the error is counted" 1 "$(reg_get er)"
for _ in $(seq 50); do [ -s "$work/explorer.log" ] && break; sleep 0.2; done
expect_true "the report is shown by the Windows folder's explorer.exe" \
    is_system_explorer "$(sed -n 3p "$work/explorer.log" 2>/dev/null | tr -d '\r')"

reg_reset
finish
