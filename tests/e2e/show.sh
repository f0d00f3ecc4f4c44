#!/usr/bin/env bash
# The show as a user sees it: the full-screen album turns its pages through
# the configured photos on the page background, the space bar freezes it,
# and a key ends it cleanly with the last spread as the desktop wallpaper.
set -u
PW_WIN_TARGET="$1"
SCR="$2"
ASSETS="$3"
source "$(dirname "$0")/lib.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/photos"
# Three plain colours that screenshots can find, so that spreads differ.
convert -size 1200x900 xc:'#d02020' "$work/photos/a.jpg"
convert -size 900x1200 xc:'#2040d0' "$work/photos/b.jpg"
convert -size 1200x900 xc:'#20a040' "$work/photos/c.jpg"

reg_reset
pw_wine reg delete 'HKCU\Control Panel\Desktop' /v Wallpaper /f >/dev/null 2>&1
reg_set Path "$(pw_winpath "$ASSETS")"
reg_set_folder 1 "$work/photos"
# A first turn slow enough to look at it and pause it even on a busy
# machine, and no second one while the test looks.
reg_set Delay 600000
reg_set Convert 20000
reg_set Wallpaper 1

# The desktop, in a colour of its own: the show opens with it as its spread,
# and nothing black comes before: from the moment the window is there until
# the album's first frame, every screenshot shows the desktop.
xsetroot -solid '#336699'
if ! start_show; then
    echo "FAIL: the show's window never appeared"
    finish
fi
early=0
while [ "$(show_count 'first frame')" -lt 1 ] && [ "$early" -lt 50 ] && [ ! -s "$SHOW_CODE" ]; do
    early=$((early + 1))
    screenshot "$work/early-$early.png"
done
for shot in "$work"/early-*.png; do
    [ -f "$shot" ] || continue
    share="$(black_share "$shot")"
    if at_least "$share" 5; then
        echo "FAIL: $(basename "$shot"), before the first frame, is $share % black"
        FAILURES=$((FAILURES + 1))
    fi
done
echo "ok: $early screenshot(s) before the first frame, none of them black"
expect_show "first frame"
# The sheet has hardly begun to lift: the screen is still mostly the desktop.
screenshot "$work/opening.png"
expect_at_least "the desktop is the opening spread (%)" 40 "$(colour_share "$work/opening.png" '#336699')"
# Space in the middle of the turn freezes the sheet where it is, once the
# frame being drawn when the key came is on the screen.
show_key space
expect_show "paused"
screenshot "$work/paused1.png"
sleep 3
screenshot "$work/paused2.png"
expect_eq "the paused album stands still" 0 "$(compare -metric AE "$work/paused1.png" "$work/paused2.png" null: 2>&1)"
expect_eq "the paused turn has not ended" 0 "$(show_count 'turn ended')"
show_key space
expect_show "resumed"
# The desktop has turned away: the first spread of photos waits.
expect_show "spread prepared"
screenshot "$work/running.png"
if [ "$(compare -metric AE "$work/paused2.png" "$work/running.png" null: 2>&1)" = 0 ]; then
    echo "FAIL: the album did not go on after the second space"
    FAILURES=$((FAILURES + 1))
else
    echo "ok: the album goes on after the second space"
fi
expect_at_least "red photo on the pages (%)" 3 "$(colour_share "$work/running.png" '#d02020')"
expect_at_least "blue photo on the pages (%)" 3 "$(colour_share "$work/running.png" '#2040d0')"
expect_at_least "green photo on the pages (%)" 3 "$(colour_share "$work/running.png" '#20a040')"
expect_at_least "paper background around them (%)" 10 "$(colour_share "$work/running.png" '#d5caaf')"

show_key Escape
expect_eq "a key ends the show with exit code 0" 0 "$(show_exit_code 20)"
expect_eq "the run ended cleanly" 0 "$(reg_get win)"
expect_eq "the last picture is remembered" 1 "$(reg_get Prev | grep -c '?')"

wallpaper="$(pw_wine reg query 'HKCU\Control Panel\Desktop' /v Wallpaper 2>/dev/null | tr -d '\r' |
    sed -n -E 's/^ +Wallpaper +REG_[A-Z_]+ +(.*)$/\1/p')"
unix_wallpaper="$(pw_wine winepath -u "$wallpaper" 2>/dev/null | tr -d '\r')"
expect_eq "the wallpaper is Pagewind.bmp" "Pagewind.bmp" "$(basename "${unix_wallpaper:-none}")"
expect_eq "the wallpaper is the screen's size" "1920x1080" "$(identify -format '%wx%h' "$unix_wallpaper" 2>/dev/null)"
expect_eq "the wallpaper is tiled" 1 "$(pw_wine reg query 'HKCU\Control Panel\Desktop' /v TileWallpaper 2>/dev/null |
    tr -d '\r' | sed -n -E 's/^ +TileWallpaper +REG_SZ +(.*)$/\1/p')"
# Uncompressed 24-bit rows, bottom up: 54 header bytes and 1920 x 3 bytes a row.
le() { od -An -tu"$3" -j "$2" -N "$3" "$1" 2>/dev/null | tr -d ' '; }
expect_eq "the wallpaper file's size" 6220854 "$(stat -c %s "$unix_wallpaper" 2>/dev/null)"
expect_eq "its header says so" "6220854 54 40 24 0" \
    "$(le "$unix_wallpaper" 2 4) $(le "$unix_wallpaper" 10 4) $(le "$unix_wallpaper" 14 4) $(le "$unix_wallpaper" 28 2) $(le "$unix_wallpaper" 30 4)"
if [ -n "$unix_wallpaper" ]; then
    expect_at_least "the wallpaper shows photos (%)" 5 "$(colour_share "$unix_wallpaper" '#d02020' | awk '{print $1}')"
fi

xsetroot -solid black
reg_reset
finish
