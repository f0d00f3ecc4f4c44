#!/usr/bin/env bash
# What HEIC, AVIF and WebP files say about their colours and the date they
# were taken, read by `pwtool decode --facts` through the plugin host and the
# phone and web formats plugin, natively ("native") or under Wine (win32,
# win64). The pictures are made here by Debian's encoders: avifenc with an
# ICC profile (--icc), nclx values (--cicp) and Exif (--exif); heif-enc from a
# JPEG that carries a profile and Exif (it copies both), and with its nclx
# options (1.15 writes no nclx box for them: the file has none);
# heif_compose.py adds nclx and rICC colour boxes; webpmux and cwebp put ICCP
# and EXIF chunks into WebP files. The nclx values of AVIF files are checked
# against avifdec's. Pictures with a profile are converted to sRGB: they must
# match ImageMagick (Little CMS) converting the file's own numbers (the
# --no-color decode) from that profile, with a normalised RMSE under 0.02, and
# so must those whose nclx codes say Display P3.
set -u
PW_WIN_TARGET="$1"
PWTOOL="$2"
source "$(dirname "$0")/lib.sh"
HERE="$(cd "$(dirname "$0")" && pwd)"
ICC=/usr/share/color/icc

dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT

# The facts pwtool prints for a picture, joined by "; " (empty: none).
facts() {  # file
    decode "$1" "$dir/facts.bmp" --cell 640x480 --facts | tail -n +2 | paste -sd ';' | sed 's/;/; /g'
}
expect_facts() {  # file, expected
    expect_eq "$(basename "$1"): facts" "$2" "$(facts "$1")"
}
expect_apart() {  # what, picture, reference, least
    local r
    r="$(rmse "$2" "$3")"
    if below "$4" "$r"; then echo "ok: $1 (RMSE $r)"; else echo "FAIL: $1: RMSE $r, at least $4 expected"; FAILURES=$((FAILURES + 1)); fi
}
# The nclx line avifdec's own reading of a file gives.
avif_nclx() {  # file
    avifdec --info "$1" | tr -d '\r' | awk -F': *' '
        /Color Primaries/ { p = $2 } /Transfer Char/ { t = $2 } /Matrix Coeffs/ { m = $2 }
        /\* Range/ { f = ($2 == "Full") ? 1 : 0 }
        END { if (p != "") print "nclx " p " " t " " m " " f }'
}
size_of() { stat -c %s "$1"; }

# --- The pictures -------------------------------------------------------------
# Saturated colours, where the spaces differ most, over a brightness ramp.
convert -size 640x480 gradient:'#ff1010-#10c0ff' \( -size 480x640 gradient:'#ffffff-#202020' -rotate 90 \) \
    -compose Multiply -composite \( -size 640x480 xc:none -fill '#00ff00' -draw 'circle 160,240 160,320' \
    -fill '#ff00ff' -draw 'rectangle 400,180 560,300' \) -compose Over -composite -alpha off PNG24:"$dir/srgb.png"
python3 "$HERE/make_icc.py" display-p3 "$dir/p3.icc"
ADOBE="$ICC/compatibleWithAdobeRGB1998.icc"
# The same scene in each space's numbers, without the profile in the file.
convert "$dir/srgb.png" -profile "$ICC/sRGB.icc" -profile "$dir/p3.icc" +profile '*' PNG24:"$dir/p3.png"
convert "$dir/srgb.png" -profile "$ICC/sRGB.icc" -profile "$ADOBE" +profile '*' PNG24:"$dir/adobe.png"
DATE="2023:06:21 14:30:05"
python3 "$HERE/jpeg_exif.py" --block "$dir/exif.bin" --date "$DATE"                 # "Exif\0\0" first
python3 "$HERE/jpeg_exif.py" --block "$dir/tiff.bin" --tiff-only --date "$DATE"     # TIFF header first
python3 "$HERE/jpeg_exif.py" --block "$dir/undated.bin" --orientation 1             # no date in it
# JPEGs that carry a profile and a date, for the encoders that copy them.
for space in p3 adobe; do
    profile="$dir/p3.icc"
    [ "$space" = adobe ] && profile="$ADOBE"
    convert "$dir/$space.png" -profile "$profile" -quality 95 "$dir/$space-tagged.jpg"
    python3 "$HERE/jpeg_exif.py" "$dir/$space-tagged.jpg" "$dir/$space-dated.jpg" --date "$DATE"
done

AVIF=(avifenc -s 10 --min 10 --max 20)
"${AVIF[@]}" --icc "$dir/p3.icc" "$dir/p3.png" "$dir/p3.avif" >/dev/null
"${AVIF[@]}" --cicp 12/13/1 "$dir/p3.png" "$dir/cicp-p3.avif" >/dev/null
"${AVIF[@]}" --cicp 9/16/9 -r limited "$dir/srgb.png" "$dir/cicp-pq.avif" >/dev/null
"${AVIF[@]}" --exif "$dir/exif.bin" "$dir/srgb.png" "$dir/exif.avif" >/dev/null
"${AVIF[@]}" --exif "$dir/tiff.bin" "$dir/srgb.png" "$dir/tiff.avif" >/dev/null
"${AVIF[@]}" --exif "$dir/undated.bin" "$dir/srgb.png" "$dir/undated.avif" >/dev/null
"${AVIF[@]}" "$dir/srgb.png" "$dir/plain.avif" >/dev/null

heif-enc -q 90 "$dir/p3-dated.jpg" -o "$dir/p3.heic" >/dev/null
heif-enc -q 90 "$dir/srgb.png" -o "$dir/plain.heic" >/dev/null
heif-enc -q 90 --colour_primaries 12 --transfer_characteristic 13 --matrix_coefficients 6 --full_range_flag 1 \
    "$dir/p3.png" -o "$dir/nclx-options.heic" >/dev/null
python3 "$HERE/heif_compose.py" colr "$dir/nclx.heic" "$dir/plain.heic" nclx 12 13 6 1
python3 "$HERE/heif_compose.py" colr "$dir/nclx-pq.heic" "$dir/plain.heic" nclx 9 16 9 0
python3 "$HERE/heif_compose.py" colr "$dir/ricc.heic" "$dir/nclx-options.heic" rICC "$dir/p3.icc"
# The Exif item's offset word pointing far past its end.
python3 - "$dir/p3.heic" "$dir/bad-offset.heic" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
at = data.find(b"\0\0\0\0II*\0")
assert at > 0 and data.find(b"II*\0", at + 8) < 0, "one Exif item expected"
data[at:at + 4] = b"\xff\xff\xff\x00"
open(sys.argv[2], "wb").write(bytes(data))
PY

cwebp -quiet -q 90 "$dir/p3.png" -o "$dir/p3-bare.webp"
webpmux -set icc "$dir/p3.icc" "$dir/p3-bare.webp" -o "$dir/p3-icc.webp" >/dev/null 2>&1
webpmux -set exif "$dir/exif.bin" "$dir/p3-icc.webp" -o "$dir/p3.webp" >/dev/null 2>&1
cwebp -quiet -q 90 -metadata icc,exif "$dir/adobe-dated.jpg" -o "$dir/adobe.webp"
cwebp -quiet -q 90 "$dir/srgb.png" -o "$dir/plain.webp"
head -c 40 /dev/urandom >"$dir/junk.bin"
webpmux -set exif "$dir/junk.bin" "$dir/plain.webp" -o "$dir/junk-exif.webp" >/dev/null 2>&1
for f in p3.avif p3.heic p3.webp adobe.webp junk-exif.webp; do
    [ -s "$dir/$f" ] || { echo "FAIL: $f was not made"; exit 1; }
done

# --- The facts ------------------------------------------------------------------
P3_SIZE="$(size_of "$dir/p3.icc")"
expect_facts "$dir/p3.avif" "icc profile $P3_SIZE bytes; $(avif_nclx "$dir/p3.avif")"
expect_facts "$dir/cicp-p3.avif" "nclx 12 13 1 1"
expect_eq "cicp-p3.avif: avifdec reads the same" "nclx 12 13 1 1" "$(avif_nclx "$dir/cicp-p3.avif")"
expect_facts "$dir/cicp-pq.avif" "nclx 9 16 9 0"
expect_eq "cicp-pq.avif: avifdec reads the same" "nclx 9 16 9 0" "$(avif_nclx "$dir/cicp-pq.avif")"
# Exif with "Exif\0\0" before the TIFF header (the item's offset word is 6)
# and without (0).
expect_facts "$dir/exif.avif" "$(avif_nclx "$dir/exif.avif"); taken $DATE"
expect_facts "$dir/tiff.avif" "$(avif_nclx "$dir/tiff.avif"); taken $DATE"
expect_facts "$dir/undated.avif" "$(avif_nclx "$dir/undated.avif")"
# avifenc always writes an nclx box; that of a plain file is its default.
expect_facts "$dir/plain.avif" "$(avif_nclx "$dir/plain.avif")"
expect_true "plain.avif: avifdec reads an nclx box" test -n "$(avif_nclx "$dir/plain.avif")"

expect_facts "$dir/p3.heic" "icc profile $P3_SIZE bytes; taken $DATE"
expect_facts "$dir/nclx.heic" "nclx 12 13 6 1"
expect_facts "$dir/nclx-pq.heic" "nclx 9 16 9 0"
expect_facts "$dir/ricc.heic" "icc profile $P3_SIZE bytes"
# No colour box and no Exif: no facts (libheif makes up no default nclx).
expect_eq "plain.heic has no colour box" "color profile: no" "$(heif-info "$dir/plain.heic" | grep -o 'color profile: .*')"
expect_facts "$dir/plain.heic" ""
expect_eq "nclx-options.heic: heif-enc wrote no colour box" "color profile: no" \
    "$(heif-info "$dir/nclx-options.heic" | grep -o 'color profile: .*')"
expect_facts "$dir/nclx-options.heic" ""
# A damaged Exif item: no date, the profile and the picture all the same.
expect_facts "$dir/bad-offset.heic" "icc profile $P3_SIZE bytes"

expect_facts "$dir/p3.webp" "icc profile $P3_SIZE bytes; taken $DATE"
expect_facts "$dir/adobe.webp" "icc profile $(size_of "$ADOBE") bytes; taken $DATE"
expect_facts "$dir/plain.webp" ""
expect_facts "$dir/junk-exif.webp" ""
expect_eq "junk-exif.webp is decoded" "640x480 WebP $(size_of "$dir/junk-exif.webp")" \
    "$(decode "$dir/junk-exif.webp" "$dir/junk.bmp" --cell 640x480)"

# A libheif.dll without some of the calls the facts need (as an older or a
# cut-down build): the copy's export names of the metadata read and of the
# nclx release are changed by one letter, which keeps the name table
# sorted, so the loader finds the rest. HEIC still decodes; the profile is
# still read, the date and the nclx values are not.
if [ "$PW_WIN_TARGET" != native ]; then
    mkdir -p "$dir/older"
    cp "$PWTOOL" "$(dirname "$PWTOOL")"/{In_heif,libde265}.dll "$dir/older/"
    python3 - "$(dirname "$PWTOOL")/libheif.dll" "$dir/older/libheif.dll" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
for name in (b"heif_image_handle_get_metadata\0", b"heif_nclx_color_profile_free\0"):
    assert data.count(name) == 1, name
    data = data.replace(name, name[:-2] + bytes([name[-2] - 1]) + b"\0")
open(sys.argv[2], "wb").write(data)
PY
    OLDER_TOOL="$dir/older/$(basename "$PWTOOL")"
    expect_eq "without two of its calls libheif.dll still decodes HEIC" "640x480 HEIC $(size_of "$dir/p3.heic")" \
        "$(PWTOOL="$OLDER_TOOL" decode "$dir/p3.heic" "$dir/older.bmp" --cell 640x480)"
    expect_eq "... with its profile, without its date" "icc profile $P3_SIZE bytes" "$(PWTOOL="$OLDER_TOOL" facts "$dir/p3.heic")"
    expect_eq "... and without nclx values" "" "$(PWTOOL="$OLDER_TOOL" facts "$dir/nclx.heic")"
    decode "$dir/p3.heic" "$dir/full.bmp" --cell 640x480 >/dev/null
    expect_eq "... the picture converted as with the whole library" 0 \
        "$(compare -metric AE "$dir/older.bmp" "$dir/full.bmp" null: 2>&1)"
fi

# --- Colours ----------------------------------------------------------------------
# The managed decode against ImageMagick's conversion of the file's own
# numbers from its profile, real-time and whole; the numbers themselves are
# not the sRGB ones (or the check would pass without any conversion).
# Display P3 given by nclx codes alone (primaries 12, the sRGB curve) is
# converted as the Display P3 profile is.
for entry in p3.avif:p3 p3.heic:p3 ricc.heic:p3 p3.webp:p3 adobe.webp:adobe cicp-p3.avif:p3 nclx.heic:p3; do
    IFS=: read -r name space <<<"$entry"
    profile="$dir/p3.icc"
    [ "$space" = adobe ] && profile="$ADOBE"
    file="$dir/$name"
    decode "$file" "$dir/raw.bmp" --cell 640x480 --no-color >/dev/null
    convert "$dir/raw.bmp" -profile "$profile" -profile "$ICC/sRGB.icc" PNG24:"$dir/ref.png"
    for mode in "" --no-rtresize; do
        if decode "$file" "$dir/managed.bmp" --cell 640x480 $mode >/dev/null; then
            expect_close "$name ${mode:-real-time} is converted to sRGB" \
                "$dir/managed.bmp" "$dir/ref.png" 0.02
        else
            echo "FAIL: $name ${mode:-real-time}: $(cat "$dir/stderr")"; FAILURES=$((FAILURES + 1))
        fi
    done
    expect_apart "$name: its own numbers are not the sRGB ones" "$dir/raw.bmp" "$dir/ref.png" 0.02
    # Fitted into a smaller cell, the cell's pixels are converted.
    convert "$dir/ref.png" -resize 320x240 PNG24:"$dir/ref-small.png"
    decode "$file" "$dir/small.bmp" --cell 320x240 >/dev/null
    expect_close "$name fitted into a smaller cell" "$dir/small.bmp" "$dir/ref-small.png" 0.02
done
# PQ codes are tone-mapped, not shown as stored.
decode "$dir/cicp-pq.avif" "$dir/raw.bmp" --cell 640x480 --no-color >/dev/null
decode "$dir/cicp-pq.avif" "$dir/managed.bmp" --cell 640x480 >/dev/null
expect_apart "cicp-pq.avif is not shown with its own numbers" "$dir/managed.bmp" "$dir/raw.bmp" 0.02
# A picture without a profile or nclx codes is shown with its own numbers.
for name in plain.heic plain.webp; do
    decode "$dir/$name" "$dir/on.bmp" --cell 640x480 >/dev/null
    decode "$dir/$name" "$dir/off.bmp" --cell 640x480 --no-color >/dev/null
    expect_eq "$name is shown as stored" 0 "$(compare -metric AE "$dir/on.bmp" "$dir/off.bmp" null: 2>&1)"
done
finish
