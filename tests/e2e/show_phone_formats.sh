#!/usr/bin/env bash
# The show with photos from a phone's folder: a HEIC whose container turns it
# upright and a WebP with transparent parts, one per page; and the settings
# window's "Add photo", which takes a HEIC and shows its properties. The HEIC
# is stored lying on its side (red left, yellow right) with a quarter turn in
# its container, so upright it shows yellow above red; the WebP is blue with
# a transparent border, which shows the page's paper colour.
set -u
PW_WIN_TARGET="$1"
SCR="$2"
ASSETS="$3"
DRIVER="$4"
source "$(dirname "$0")/lib.sh"
HERE="$(cd "$(dirname "$0")" && pwd)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/phone"
convert -size 500x900 xc:'#d02020' -size 500x900 xc:'#e0a020' +append PNG24:"$work/lying.png"
heif-enc -q 90 "$work/lying.png" -o "$work/lying.heic" >/dev/null
python3 "$HERE/heif_compose.py" transform "$work/phone/a-harbour.heic" "$work/lying.heic" 1 none
convert -size 900x1000 xc:none -fill '#2040d0' -draw 'rectangle 150,150 749,849' PNG32:"$work/blue.png"
cwebp -quiet -q 95 -exact "$work/blue.png" -o "$work/phone/b-lagoon.webp"

# Share of a colour in a region of a screenshot.
region_share() {  # file, geometry, colour
    colour_share "$1[$2]" "$3"
}

reg_reset
reg_set Path "$(pw_winpath "$ASSETS")"
reg_set_folder 1 "$work/phone"
reg_set Screens 2
reg_set Delay 600000
reg_set Convert 600
reg_set Order 1  # sequential: the HEIC on the left, the WebP on the right
start_show || echo "FAIL: no show window"
expect_show "spread prepared"
screenshot "$work/shot.png"
show_key Escape
expect_eq "the show ends on a key" 0 "$(show_exit_code 20)"

# The left page's picture, upright: yellow in its upper half, red in its
# lower half.
expect_at_least "HEIC: yellow in the upper left (%)" 40 "$(region_share "$work/shot.png" 960x400+0+100 '#e0a020')"
expect_at_least "HEIC: red in the lower left (%)" 40 "$(region_share "$work/shot.png" 960x400+0+580 '#d02020')"
expect_below "HEIC: no red in the upper left (%)" 5 "$(region_share "$work/shot.png" 960x400+0+100 '#d02020')"
# The WebP on the right page: blue in the middle; its transparent border
# (the picture's left 150 columns lie about 990 to 1140 on the screen) shows
# the paper's colour, not black.
expect_at_least "WebP: blue on the right page (%)" 20 "$(half_share "$work/shot.png" right '#2040d0')"
band=80x300+1020+390
expect_at_least "WebP: paper colour through its transparent border (%)" 50 "$(region_share "$work/shot.png" "$band" '#d5caaf')"
expect_below "WebP: nothing black there (%)" 5 "$(black_share "$work/shot.png[$band]")"

# The line callback fails (out of memory) at row 100 of every picture while
# the HEIC is decoded inside In_heif.dll and libheif.dll: nothing may unwind
# through them. The HEIC is not decoded and the show goes on with the next
# photo, a JPEG of 90 rows, on both pages; no crash report.
mkdir -p "$work/faults"
cp "$work/phone/a-harbour.heic" "$work/faults/"
convert -size 960x90 xc:'#20a040' "$work/faults/c-short.jpg"
reg_set_folder 1 "$work/faults"
PAGEWIND_TEST_HOOK=fail-line-callback-row-100 start_show || echo "FAIL: no show window with the failing callback"
expect_show "spread prepared"
screenshot "$work/faults.png"
show_key Escape
expect_eq "a failing line callback: the show ends on a key" 0 "$(show_exit_code 20)"
expect_eq "a failing line callback: no crash report" 0 "$(report_count)"
expect_at_least "a failing line callback: the JPEG on the left page (%)" 3 "$(half_share "$work/faults.png" left '#20a040')"
expect_at_least "a failing line callback: the JPEG on the right page (%)" 3 "$(half_share "$work/faults.png" right '#20a040')"
expect_below "a failing line callback: no HEIC on the pages (%)" 1 "$(colour_share "$work/faults.png" '#e0a020')"
reg_set_folder 1 "$work/phone"

# "Add photo" takes the HEIC: its properties give its size as it is shown,
# upright.
WORK="$work"
SHOTS="$work/shots"
run_driver add-photo <<EOF
start $(pw_winpath "$SCR") /c
wait-main
tab 1
post-click 63
wait-dialog
dialog-set-text 1148@Edit|1152 "$(pw_winpath "$work/phone/a-harbour.heic")"
dialog-click 1@Button
wait-dialog-gone
wait-text child:*properties:0 "Width : 900"
expect-text ^Height "Height : 1000"
post-click 17
wait-exit 0
EOF

reg_reset
finish
