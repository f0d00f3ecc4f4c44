#!/usr/bin/env bash
# Colours and dates in a real show. A Display P3 photo of one colour fills
# the spread: with "ColorManage" on the screen shows the colour ImageMagick
# converts it to in sRGB, with it off the file's own numbers. Then the date
# taken as the only caption: two photos taken on the same day (a JPEG and a
# HEIC) carry the same caption, one taken on another day (a PNG) a different
# one, and a photo without a date none. On a screen with a Display P3
# profile of its own every photo shows in the screen's colours.
set -u
PW_WIN_TARGET="$1"
SCR="$2"
ASSETS="$3"
source "$(dirname "$0")/lib.sh"
HERE="$(cd "$(dirname "$0")" && pwd)"
ICC=/usr/share/color/icc

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/p3" "$work/dates"

# --- Colours ------------------------------------------------------------------
python3 "$HERE/make_icc.py" display-p3 "$work/p3.icc"
convert -size 2400x1350 xc:'rgb(40,170,90)' -profile "$ICC/sRGB.icc" -profile "$work/p3.icc" -quality 97 \
    "$work/p3/green.jpg"
# The colour of a picture's middle, as "R G B".
middle_colour() {  # file, [geometry]
    convert "$1" -crop "${2:-200x200+860+440}" +repage -scale 1x1\! -format '%[fx:int(255*r+0.5)] %[fx:int(255*g+0.5)] %[fx:int(255*b+0.5)]' info: 2>/dev/null
}
managed="$(middle_colour "$(convert "$work/p3/green.jpg" -profile "$ICC/sRGB.icc" "$work/ref.png"; echo "$work/ref.png")")"
raw="$(middle_colour "$(convert "$work/p3/green.jpg" +profile '*' "$work/raw.png"; echo "$work/raw.png")")"
# Each channel within 3 of the expected colour.
expect_colour() {  # what, expected "R G B", actual "R G B"
    if awk -v e="$2" -v a="$3" 'BEGIN { split(e, x, " "); split(a, y, " ");
            for (i = 1; i <= 3; ++i) { d = x[i] - y[i]; if (d < -3 || d > 3) exit 1 } }'; then
        echo "ok: $1 ($3, expected $2)"
    else
        echo "FAIL: $1: $3, expected $2"; FAILURES=$((FAILURES + 1))
    fi
}
show_of() {  # folder, ColorManage, TextFileName
    reg_reset
    reg_set Path "$(pw_winpath "$ASSETS")"
    reg_set_folder 1 "$1"
    reg_set Screens "${4:-1}"
    reg_set Order 1
    reg_set Delay 600000
    reg_set Convert 600
    reg_set ColorManage "$2"
    reg_set TextFileName "$3"
    start_show || echo "FAIL: no show window"
    expect_show "spread prepared"
}
show_of "$work/p3" 1 0
screenshot "$work/on.png"
show_key Escape
show_exit_code 20 >/dev/null
expect_colour "ColorManage on: the P3 photo in its sRGB colour" "$managed" "$(middle_colour "$work/on.png")"
show_of "$work/p3" 0 0
screenshot "$work/off.png"
show_key Escape
show_exit_code 20 >/dev/null
expect_colour "ColorManage off: the file's own numbers" "$raw" "$(middle_colour "$work/off.png")"

# --- A screen with a profile of its own ----------------------------------------
# The X server's screen given a Display P3 monitor profile (icc_property.c),
# which Wine's GetICMProfile reports: the P3 photo then shows its own numbers,
# and an untagged photo, taken as sRGB, the P3 numbers of its colour.
cc -O1 -o "$work/icc_property" "$HERE/icc_property.c" -lX11 || echo "FAIL: icc_property.c did not build"
trap '"$work/icc_property" --remove; rm -rf "$work"' EXIT
mkdir -p "$work/plain"
convert -size 2400x1350 xc:'rgb(40,170,90)' -quality 97 "$work/plain/green.jpg"
on_p3="$(middle_colour "$(convert "$work/plain/green.jpg" -profile "$ICC/sRGB.icc" -profile "$work/p3.icc" \
    "$work/on-p3.png"; echo "$work/on-p3.png")")"
"$work/icc_property" "$work/p3.icc"
for case in "p3:$raw:the P3 photo on a P3 screen: its own numbers" \
            "plain:$on_p3:an untagged photo on a P3 screen: the P3 numbers of its colour"; do
    IFS=: read -r folder expected what <<<"$case"
    show_of "$work/$folder" 1 0
    screenshot "$work/screen-$folder.png"
    show_key Escape
    show_exit_code 20 >/dev/null
    expect_colour "$what" "$expected" "$(middle_colour "$work/screen-$folder.png")"
done
"$work/icc_property" --remove

# --- The date taken -------------------------------------------------------------
convert -size 900x1000 xc:'#3050a0' "$work/plain.jpg"
python3 "$HERE/jpeg_exif.py" "$work/plain.jpg" "$work/dates/a.jpg" --date "2019:07:14 09:30:00"
# The same day in a HEIC (its Exif item, which heif-enc copies from the
# JPEG), another day in a PNG's eXIf chunk.
python3 "$HERE/jpeg_exif.py" "$work/plain.jpg" "$work/b.jpg" --date "2019:07:14 18:05:09"
heif-enc -q 90 "$work/b.jpg" -o "$work/dates/b.heic" >/dev/null
python3 "$HERE/jpeg_exif.py" --block "$work/c.exif" --tiff-only --date "2021:03:02 12:00:00"
convert "$work/plain.jpg" PNG24:"$work/c.png"
python3 "$HERE/png_chunks.py" "$work/c.png" "$work/dates/c.png" --exif "$work/c.exif"
cp "$work/plain.jpg" "$work/dates/d.jpg"
# Only the date (bit 16 of "TextFileName"), one photo a page.
show_of "$work/dates" 1 16 2
screenshot "$work/same-day.png"
turn_with_key Right
screenshot "$work/other-day.png"
show_key Escape
expect_eq "the show ends on a key" 0 "$(show_exit_code 20)"
# The caption at the bottom of each page, its green alone (the paper differs
# from page to page) and cut to its own size (the right page may lie a pixel
# further on the screen): the same text gives the same shape.
strip() {
    convert "$1" -crop "960x120+$2+940" +repage -fuzz 16% -fill black +opaque '#00ff00' -fill white \
        -opaque '#00ff00' "$3" 2>/dev/null
    convert "$3" -trim +repage "${3%.png}-cut.png" 2>/dev/null
}
strip "$work/same-day.png" 0 "$work/a.png"
strip "$work/same-day.png" 960 "$work/b.png"
strip "$work/other-day.png" 0 "$work/c.png"
strip "$work/other-day.png" 960 "$work/d.png"
expect_at_least "a dated photo carries a caption (%)" 0.1 "$(colour_share "$work/a.png" '#ffffff')"
expect_eq "two photos of one day: the same caption (pixels that differ)" 0 \
    "$(compare -metric AE "$work/a-cut.png" "$work/b-cut.png" null: 2>&1)"
expect_at_least "another day: another caption (pixels that differ)" 50 \
    "$(compare -metric AE "$work/a-cut.png" "$work/c-cut.png" null: 2>&1)"
expect_below "a photo without a date: no caption (%)" 0.01 "$(colour_share "$work/d.png" '#ffffff')"
reg_reset
finish
