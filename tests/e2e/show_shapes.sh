#!/usr/bin/env bash
# Spreads laid out by the photos' shapes ("AutoLayout"), as a user sees them
# in "Sequential" order: two portraits side by side, a landscape across the
# spread, a portrait that its EXIF orientation stands up, the two landscapes
# after it stacked on the page left over; the arrow keys step back and
# forward through the same spreads, and the wallpaper on exit is the spread
# on screen.
set -u
PW_WIN_TARGET="$1"
SCR="$2"
ASSETS="$3"
source "$(dirname "$0")/lib.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
photos="$work/photos"
mkdir -p "$photos"
# Plain colours far from each other, from the paper and from the green
# captions. Pictures smaller than their place are not enlarged: the one
# across the spread is larger than the screen.
red='#d02020' blue='#2040d0' yellow='#e0c020' purple='#a030c0' orange='#e07010' teal='#20a0a0' pink='#e060a0'
convert -size 900x1200 xc:"$red" "$photos/a.jpg"
convert -size 900x1200 xc:"$blue" "$photos/b.jpg"
# Not a picture: left out, and the landscape after it comes next.
head -c 5000 /dev/urandom >"$photos/bad.jpg"
convert -size 2400x1350 xc:"$yellow" "$photos/c.jpg"
# Stored lying down (1200 x 900), upright a portrait: EXIF orientation 6.
convert -size 1200x900 xc:"$purple" "$work/lying.jpg"
python3 "$(dirname "$0")/jpeg_exif.py" "$work/lying.jpg" "$photos/d.jpg" --orientation 6
convert -size 1600x900 xc:"$orange" "$photos/e.jpg"
convert -size 1600x1000 xc:"$teal" "$photos/f.jpg"
convert -size 1000x1000 xc:"$pink" "$photos/g.jpg"  # a square keeps to its page

reg_reset
reg_set Path "$(pw_winpath "$ASSETS")"
reg_set_folder 1 "$photos"
reg_set Screens 4  # the fixed choice kept beside it: not used
reg_set AutoLayout 1
reg_set Delay 600000
reg_set Convert 600
reg_set Order 1
reg_set Wallpaper 1
pw_wine reg delete 'HKCU\Control Panel\Desktop' /v Wallpaper /f >/dev/null 2>&1
start_show || echo "FAIL: no show window"
expect_show "spread prepared"

# Each spread: a colour's share of the left and of the right page.
expect_spread() {  # screenshot, what, left colour, right colour
    local left right
    left="$(half_share "$1" left "$3")"
    right="$(half_share "$1" right "$4")"
    expect_at_least "$2: $3 on the left page (%)" 40 "$left"
    expect_at_least "$2: $4 on the right page (%)" 40 "$right"
}
expect_across() {  # screenshot, what, colour
    expect_at_least "$2: $3 on the left page (%)" 85 "$(half_share "$1" left "$3")"
    expect_at_least "$2: and on across the right page (%)" 85 "$(half_share "$1" right "$3")"
}
expect_stacked_right() {  # screenshot, what, left colour, upper, lower
    local top bottom
    expect_at_least "$2: $3 on the left page (%)" 40 "$(half_share "$1" left "$3")"
    expect_below "$2: nothing of it on the right page (%)" 1 "$(half_share "$1" right "$3")"
    top="$(colour_share "$1[960x540+960+0]" "$4")"
    bottom="$(colour_share "$1[960x540+960+540]" "$5")"
    expect_at_least "$2: $4 above on the right page (%)" 40 "$top"
    expect_at_least "$2: $5 below it (%)" 40 "$bottom"
}

screenshot "$work/1.png"
expect_spread "$work/1.png" "two portraits" "$red" "$blue"
turn_with_key Right
screenshot "$work/2.png"
expect_across "$work/2.png" "a landscape across the spread" "$yellow"
turn_with_key Right
screenshot "$work/3.png"
expect_stacked_right "$work/3.png" "a turned portrait, then two landscapes" "$purple" "$orange" "$teal"
turn_with_key Right
screenshot "$work/4.png"
# The square, and the order goes round to the first portrait.
expect_spread "$work/4.png" "a square and the first portrait again" "$pink" "$red"

# Back through the same spreads, and forward again.
turn_with_key Left
screenshot "$work/back3.png"
expect_stacked_right "$work/back3.png" "back: the stacked spread" "$purple" "$orange" "$teal"
turn_with_key Left
screenshot "$work/back2.png"
expect_across "$work/back2.png" "back: the landscape across" "$yellow"
turn_with_key Left
screenshot "$work/back1.png"
expect_spread "$work/back1.png" "back: the two portraits" "$red" "$blue"
turn_with_key Right
screenshot "$work/again2.png"
expect_across "$work/again2.png" "forward again: the landscape across" "$yellow"

# The wallpaper on exit is the spread on screen, the landscape across.
show_key Escape
expect_eq "the show ends on a key" 0 "$(show_exit_code 20)"
paper="$(wallpaper_file)"
expect_eq "the wallpaper is the screen's size" 1920x1080 "$(identify -format '%wx%h' "$paper" 2>/dev/null)"
expect_across "$paper" "the wallpaper" "$yellow"
reg_reset
finish
