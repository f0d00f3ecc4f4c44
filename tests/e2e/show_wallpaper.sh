#!/usr/bin/env bash
# The wallpaper a show leaves is the spread the user saw when it ended: at
# rest, in the middle of a turn and while the next spread is being prepared,
# and on a screen of odd width (1921 pixels, whose pages are 960 wide).
set -u
PW_WIN_TARGET="$1"
SCR="$2"
ASSETS="$3"
source "$(dirname "$0")/lib.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# One photo a page, in sequence: red | green, then blue | yellow.
mkdir -p "$work/plain" "$work/heavy"
names=(a-red b-green c-blue d-yellow)
colours=('#d02020' '#20a040' '#2040d0' '#e0a020')
for i in 0 1 2 3; do
    convert -size 900x1000 "xc:${colours[$i]}" "$work/plain/${names[$i]}.jpg"
done
# The second spread slow to prepare: large noisy PNGs (nothing to compress,
# no reduced decoding) that are the same colour once scaled to a page.
cp "$work/plain/a-red.jpg" "$work/plain/b-green.jpg" "$work/heavy/"
for i in 2 3; do
    convert -size 3000x2200 "xc:${colours[$i]}" -attenuate 0.3 +noise Uniform "$work/heavy/${names[$i]}.png"
done

# Which of the four colours fills the middle of the left or right page of a
# picture of the screen (or "none").
page_colour() {  # file, left|right
    local w h x
    read -r w h < <(identify -format '%w %h\n' "$1" 2>/dev/null)
    [ -n "${w:-}" ] || { echo none; return; }
    x=$((w / 8)); [ "$2" = right ] && x=$((w / 2 + w / 8))
    local region="$1[$((w / 4))x$((h / 2))+$x+$((h / 4))]" i
    for i in 0 1 2 3; do
        if at_least "$(colour_share "$region" "${colours[$i]}")" 60; then echo "${names[$i]}"; return; fi
    done
    echo none
}
# The show over FOLDER, turning every DELAY ms for CONVERT ms.
begin() {  # folder, delay, convert
    reg_reset
    pw_wine reg delete 'HKCU\Control Panel\Desktop' /v Wallpaper /f >/dev/null 2>&1
    reg_set Path "$(pw_winpath "$ASSETS")"
    reg_set_folder 1 "$1"
    reg_set Screens 2
    reg_set Order 1
    reg_set Delay "$2"
    reg_set Convert "$3"
    reg_set Wallpaper 1
    start_show || echo "FAIL: $CASE: the show's window never appeared"
}
# Ends the show with a key right after the screenshot SHOT and compares the
# wallpaper's pages with the screenshot's.
end_and_compare() {  # shot
    show_key Escape
    expect_eq "$CASE: the show ends with exit code 0" 0 "$(show_exit_code 20)"
    local paper
    paper="$(wallpaper_file)"
    expect_eq "$CASE: the wallpaper is the screen's size" "$SIZE" "$(identify -format '%wx%h' "$paper" 2>/dev/null)"
    expect_eq "$CASE: the left page on screen ($(page_colour "$1" left)) is the wallpaper's" \
        "$(page_colour "$1" left)" "$(page_colour "$paper" left)"
    expect_eq "$CASE: the right page on screen ($(page_colour "$1" right)) is the wallpaper's" \
        "$(page_colour "$1" right)" "$(page_colour "$paper" right)"
    expect_eq "$CASE: no crash report" 0 "$(report_count)"
}

SIZE=1920x1080
CASE="at rest"
begin "$work/plain" 60000 800
# The desktop has turned away; red | green is on screen, blue | yellow
# prepared behind it.
expect_show "spread prepared"
screenshot "$work/rest.png"
expect_eq "$CASE: red on the left" a-red "$(page_colour "$work/rest.png" left)"
expect_eq "$CASE: green on the right" b-green "$(page_colour "$work/rest.png" right)"
end_and_compare "$work/rest.png"

CASE="disk full"
# The wallpaper the last show left stays whole, and the desktop keeps naming
# it, when the next one cannot be written: this show may not write files past
# 1 MB (a write beyond fails as on a full disk), and its 6 MB picture is
# never complete. The wineserver, which writes the registry, runs already,
# outside the limit.
kept="$(wallpaper_file)"
kept_sum="$(md5sum <"$kept" 2>/dev/null)"
reg_set Delay 60000
trap '' XFSZ
ulimit -S -f 1024
start_show || echo "FAIL: $CASE: the show's window never appeared"
ulimit -S -f unlimited
trap - XFSZ
expect_show "spread prepared"
show_key Escape
expect_eq "$CASE: the show ends with exit code 0" 0 "$(show_exit_code 20)"
expect_eq "$CASE: no crash report" 0 "$(report_count)"
expect_eq "$CASE: the desktop still names the old wallpaper" "$kept" "$(wallpaper_file)"
expect_eq "$CASE: the old wallpaper is untouched" "$kept_sum" "$(md5sum <"$kept" 2>/dev/null)"
expect_eq "$CASE: no part-written file is left" "" "$(ls "$(dirname "$kept")" | grep -v '^Pagewind.bmp$' | grep -i 'pagewind.bmp')"

CASE="mid-turn"
# So slow that the screenshot and the key come early in the turn even on a
# busy machine.
begin "$work/plain" 300 40000
expect_show "spread prepared"
expect_show "turn started" 2
# The sheet has just lifted.
sleep 1
screenshot "$work/turning.png"
expect_eq "$CASE: the second turn is still running" 1 "$(show_count 'turn ended')"
end_and_compare "$work/turning.png"

CASE="during preparation"
begin "$work/heavy" 60000 500
expect_show "turn ended"
screenshot "$work/preparing.png"
expect_eq "$CASE: the key comes before the next spread is ready" 0 "$(show_count 'spread prepared')"
end_and_compare "$work/preparing.png"
expect_eq "$CASE: red on the left" a-red "$(page_colour "$work/preparing.png" left)"

# A screen of odd width, on a display of its own (the prefix's programs
# follow the display they start on, so the server is restarted around it).
CASE="1921 x 1080"
SIZE=1921x1080
suite_display="$DISPLAY"
pw_wine_stop
if pw_xvfb_start 1921x1080x24; then
    begin "$work/plain" 60000 800
    expect_show "spread prepared"
    screenshot "$work/odd.png"
    expect_eq "$CASE: red on the left" a-red "$(page_colour "$work/odd.png" left)"
    end_and_compare "$work/odd.png"
    pw_wine_stop
    pw_xvfb_stop
else
    echo "FAIL: $CASE: no display"
    FAILURES=$((FAILURES + 1))
fi
export DISPLAY="$suite_display"

pw_wine reg delete 'HKCU\Control Panel\Desktop' /v Wallpaper /f >/dev/null 2>&1
reg_reset
finish
