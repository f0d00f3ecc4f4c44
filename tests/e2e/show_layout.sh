#!/usr/bin/env bash
# The spreads a user sees: one photo across the spread, one per page, or two
# per page; the arrow keys step back to the spread before and forward again;
# F puts the file names on the pages prepared after it.
set -u
PW_WIN_TARGET="$1"
SCR="$2"
ASSETS="$3"
source "$(dirname "$0")/lib.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/wide" "$work/pages"
# Plain colours without pure green, so that the green captions stand out.
convert -size 1920x1080 xc:'#d02020' "$work/wide/a.jpg"
convert -size 1920x1080 xc:'#2040d0' "$work/wide/b.jpg"
convert -size 900x1000 xc:'#d02020' "$work/pages/a-red-harbour.jpg"
convert -size 900x1000 xc:'#2040d0' "$work/pages/b-blue-lagoon.jpg"
convert -size 900x1000 xc:'#e0a020' "$work/pages/c-yellow-fields.jpg"

# Runs a show over FOLDER with SCREENS photos per spread; quick turns, and a
# delay so long that only the arrow keys turn pages while the test looks.
run_layout() {
    reg_reset
    reg_set Path "$(pw_winpath "$ASSETS")"
    reg_set_folder 1 "$1"
    reg_set Screens "$2"
    reg_set Delay 600000
    reg_set Convert 600
    reg_set Order 1  # sequential: the spreads are known
    start_show || echo "FAIL: no show window"
    expect_show "spread prepared"  # the desktop has turned away; the first spread waits
}

run_layout "$work/wide" 1
screenshot "$work/one.png"
show_key Escape
show_exit_code 20 >/dev/null
# One photo across the spread: the same colour on both pages.
left_red="$(half_share "$work/one.png" left '#d02020')"
right_red="$(half_share "$work/one.png" right '#d02020')"
expect_at_least "Screens 1: the photo fills the left page (%)" 80 "$left_red"
expect_at_least "Screens 1: and goes on over the right page (%)" 80 "$right_red"

run_layout "$work/pages" 2
screenshot "$work/two.png"
# One photo per page: a different photo on each side.
expect_at_least "Screens 2: red on the left page (%)" 40 "$(half_share "$work/two.png" left '#d02020')"
expect_at_least "Screens 2: blue on the right page (%)" 40 "$(half_share "$work/two.png" right '#2040d0')"

# The arrows: forward to the next spread at once, back to the one before.
turn_with_key Right
screenshot "$work/next.png"
expect_at_least "right arrow: the next spread (yellow on the left) (%)" 40 "$(half_share "$work/next.png" left '#e0a020')"
turn_with_key Left
screenshot "$work/back.png"
expect_at_least "left arrow: the spread before again (red on the left) (%)" 40 "$(half_share "$work/back.png" left '#d02020')"
expect_at_least "left arrow: (blue on the right) (%)" 40 "$(half_share "$work/back.png" right '#2040d0')"

# F: the file names appear in green on the pages prepared after it. Their
# share of the screen is small (a few hundred pixels, about 0.02 %), so the
# share before F is compared whole: a tenth of that is already a caption.
expect_below "no captions before F (%)" 0.002 "$(colour_share "$work/back.png" '#00ff00')"
show_key f
# The spread prepared before F has no names yet; the one after it has.
turn_with_key Right
turn_with_key Right
screenshot "$work/names.png"
expect_at_least "F: file names in green on the pages (%)" 0.01 "$(colour_share "$work/names.png" '#00ff00')"
show_key Escape
expect_eq "the show ends on a key" 0 "$(show_exit_code 20)"

run_layout "$work/pages" 4
screenshot "$work/four.png"
show_key Escape
show_exit_code 20 >/dev/null
# Two photos per page with the paper between them: both colours on one page.
expect_at_least "Screens 4: red on the left page (%)" 15 "$(half_share "$work/four.png" left '#d02020')"
expect_at_least "Screens 4: blue on the left page too (%)" 15 "$(half_share "$work/four.png" left '#2040d0')"
expect_at_least "Screens 4: paper between and around them (%)" 10 "$(half_share "$work/four.png" left '#d5caaf')"

reg_reset
finish
