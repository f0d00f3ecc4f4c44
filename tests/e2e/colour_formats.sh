#!/usr/bin/env bash
# Colours as the camera recorded them, and the date a photo was taken, read
# by `pwtool decode` through the plugin host, natively ("native") or under
# Wine (win32, win64). The pictures are made here: a photo-like picture is
# converted by ImageMagick (with Little CMS) to Display P3 (a profile that
# make_icc.py writes, as Debian ships none), to Adobe RGB (icc-profiles-free's
# compatible profile) and to a P3 profile large enough to be split over two
# JPEG segments, each with its profile embedded; the references are
# ImageMagick's conversions back to sRGB. Managed pictures must match them
# with a normalised RMSE under 0.02; with --no-color the file's own numbers
# come out, as ImageMagick reads them without a profile. AVIF pictures
# described by nclx codes (Display P3, and BT.2020 with PQ and HLG, made from
# the same picture by make_hdr.py) are converted and tone-mapped too.
set -u
PW_WIN_TARGET="$1"
PWTOOL="$2"
source "$(dirname "$0")/lib.sh"
HERE="$(cd "$(dirname "$0")" && pwd)"
ICC=/usr/share/color/icc

dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT

expect_apart() {  # what, picture, reference, least
    local r
    r="$(rmse "$2" "$3")"
    if below "$4" "$r"; then echo "ok: $1 (RMSE $r)"; else echo "FAIL: $1: RMSE $r, at least $4 expected"; FAILURES=$((FAILURES + 1)); fi
}

# --- The pictures -------------------------------------------------------------
# Saturated colours, where the spaces differ most, over a brightness ramp.
convert -size 640x480 gradient:'#ff1010-#10c0ff' \( -size 480x640 gradient:'#ffffff-#202020' -rotate 90 \) \
    -compose Multiply -composite \( -size 640x480 xc:none -fill '#00ff00' -draw 'circle 160,240 160,320' \
    -fill '#ff00ff' -draw 'rectangle 400,180 560,300' \) -compose Over -composite -quality 95 "$dir/srgb.jpg"
python3 "$HERE/make_icc.py" display-p3 "$dir/p3.icc"
python3 "$HERE/make_icc.py" display-p3 "$dir/p3-large.icc" 70000
for space in p3 p3-large adobe; do
    profile="$dir/$space.icc"
    [ "$space" = adobe ] && profile="$ICC/compatibleWithAdobeRGB1998.icc"
    convert "$dir/srgb.jpg" -profile "$ICC/sRGB.icc" -profile "$profile" -quality 95 "$dir/$space.jpg"
    convert "$dir/$space.jpg" -profile "$ICC/sRGB.icc" PNG24:"$dir/$space-ref.png"
    convert "$dir/$space.jpg" +profile '*' PNG24:"$dir/$space-raw.png"
done
# An sRGB photo that says so, and one whose profile is damaged.
convert "$dir/srgb.jpg" -profile "$ICC/sRGB.icc" -quality 95 "$dir/tagged.jpg"
head -c 3000 /dev/urandom >"$dir/garbage.icc"
printf 'ICC-' | dd of="$dir/garbage.icc" bs=1 seek=36 conv=notrunc 2>/dev/null
convert "$dir/srgb.jpg" -quality 95 "$dir/plain.jpg"
python3 - "$dir/plain.jpg" "$dir/garbage.icc" "$dir/damaged.jpg" <<'PY'
import struct, sys
data, icc = open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read()
seg = b'ICC_PROFILE\0\x01\x01' + icc
open(sys.argv[3], 'wb').write(data[:2] + b'\xff\xe2' + struct.pack('>H', len(seg) + 2) + seg + data[2:])
PY

# --- Colours ----------------------------------------------------------------------
for space in p3 p3-large adobe; do
    for mode in "" --no-rtresize; do
        if line="$(decode "$dir/$space.jpg" "$dir/$space.bmp" --cell 640x480 $mode)"; then
            expect_close "$space JPEG ${mode:-real-time} is converted to sRGB" "$dir/$space.bmp" "$dir/$space-ref.png" 0.02
        else
            echo "FAIL: $space JPEG: $(cat "$dir/stderr")"; FAILURES=$((FAILURES + 1))
        fi
    done
    decode "$dir/$space.jpg" "$dir/$space-off.bmp" --cell 640x480 --no-color >/dev/null
    expect_close "$space JPEG with --no-color keeps the file's numbers" "$dir/$space-off.bmp" "$dir/$space-raw.png" 0.01
    expect_apart "$space JPEG: and they are not the sRGB ones" "$dir/$space-off.bmp" "$dir/$space-ref.png" 0.02
done
facts="$(decode "$dir/p3-large.jpg" "$dir/large.bmp" --cell 640x480 --facts)"
expect_eq "the large profile is joined from its two parts" "icc profile $(stat -c %s "$dir/p3-large.icc") bytes" \
    "$(grep '^icc' <<<"$facts")"
# Fitted into a smaller cell the conversion runs on the cell's pixels.
convert "$dir/p3-ref.png" -resize 320x240 "$dir/p3-small-ref.png"
decode "$dir/p3.jpg" "$dir/p3-small.bmp" --cell 320x240 >/dev/null
expect_close "P3 JPEG fitted into a smaller cell" "$dir/p3-small.bmp" "$dir/p3-small-ref.png" 0.02
# The P3 numbers without a profile, for the pictures that describe them
# otherwise.
convert "$dir/srgb.jpg" -profile "$ICC/sRGB.icc" -profile "$dir/p3.icc" +profile '*' PNG24:"$dir/p3-numbers.png"
# TIFF through GDI+ (the Windows builds only): its profile comes as the
# picture's property.
if [ "$PW_WIN_TARGET" != native ]; then
    convert "$dir/srgb.jpg" -profile "$ICC/sRGB.icc" -profile "$dir/p3.icc" "$dir/p3.tif"
    convert "$dir/p3.tif" -profile "$ICC/sRGB.icc" PNG24:"$dir/p3-tif-ref.png"
    decode "$dir/p3.tif" "$dir/p3-tif.bmp" --cell 640x480 >/dev/null
    expect_close "P3 TIFF is converted to sRGB" "$dir/p3-tif.bmp" "$dir/p3-tif-ref.png" 0.02
    # PNG through GDI+, its chunks read by Pagewind itself: the profile in
    # iCCP, colour codes in cICP (the P3 numbers, no profile), and the date
    # taken in eXIf.
    convert "$dir/srgb.jpg" -profile "$ICC/sRGB.icc" -profile "$dir/p3.icc" PNG24:"$dir/p3.png"
    convert "$dir/p3.png" -profile "$ICC/sRGB.icc" PNG24:"$dir/p3-png-ref.png"
    decode "$dir/p3.png" "$dir/p3-png.bmp" --cell 640x480 >/dev/null
    expect_close "P3 PNG (iCCP) is converted to sRGB" "$dir/p3-png.bmp" "$dir/p3-png-ref.png" 0.02
    python3 "$HERE/jpeg_exif.py" --block "$dir/dated.exif" --tiff-only --date "2016:02:29 07:45:00"
    python3 "$HERE/png_chunks.py" "$dir/p3-numbers.png" "$dir/p3-cicp.png" --cicp 12,13,0,1 --exif "$dir/dated.exif"
    facts="$(decode "$dir/p3-cicp.png" "$dir/p3-cicp.bmp" --cell 640x480 --facts)"
    expect_close "PNG with Display P3 colour codes (cICP) is converted to sRGB" "$dir/p3-cicp.bmp" "$dir/p3-ref.png" 0.02
    expect_eq "the date taken of a PNG (eXIf)" "taken 2016:02:29 07:45:00" "$(grep '^taken' <<<"$facts")"
fi
# AVIF described by nclx codes: Display P3 primaries with the sRGB curve
# (12/13), and the same picture with its ICC profile instead, both encoded
# without loss from the P3 numbers.
avifenc -d 8 -y 444 --min 0 --max 0 -r full --cicp 12/13/1 "$dir/p3-numbers.png" "$dir/p3-nclx.avif" >/dev/null 2>&1
avifenc -d 8 -y 444 --min 0 --max 0 -r full --icc "$dir/p3.icc" "$dir/p3-numbers.png" "$dir/p3-icc.avif" >/dev/null 2>&1
for f in p3-nclx p3-icc; do
    decode "$dir/$f.avif" "$dir/$f.bmp" --cell 640x480 >/dev/null
    expect_close "$f AVIF is converted to sRGB" "$dir/$f.bmp" "$dir/p3-ref.png" 0.02
done
# HDR: the sRGB picture mastered in BT.2020 with PQ and with HLG, its white
# at the 203 cd/m2 reference white (make_hdr.py), 10 bits. Tone-mapped back:
# - the picture at 40 % of its light (at most 81 cd/m2, where the BT.2390
#   tone mapping changes nothing) must match the same darker picture in
#   sRGB, under 0.02 like the others;
# - the whole picture comes close, under 0.07: the tone mapping's roll-off
#   keeps room for highlights up to the 1000 cd/m2 master's peak, and so
#   shows the master's white at about 90 % of the page's (sRGB 230 for 255),
#   the brightest part of this picture.
convert "$dir/srgb.jpg" -colorspace RGB -evaluate multiply 0.4 -colorspace sRGB -depth 8 PNG24:"$dir/dark.png"
for picture in srgb.jpg:0.07 dark.png:0.02; do
    source="${picture%:*}"
    convert "$dir/$source" -depth 8 rgb:"$dir/sdr.rgb"
    for curve in pq:16 hlg:18; do
        name="${curve%:*}-${source%.*}"
        python3 "$HERE/make_hdr.py" "${curve%:*}" 640 480 "$dir/sdr.rgb" "$dir/hdr.rgb"
        convert -size 640x480 -depth 16 -endian MSB rgb:"$dir/hdr.rgb" "$dir/hdr.png"
        avifenc -d 10 -y 444 --min 0 --max 0 -r full --cicp "9/${curve#*:}/9" "$dir/hdr.png" "$dir/$name.avif" \
            >/dev/null 2>&1
        decode "$dir/$name.avif" "$dir/$name.bmp" --cell 640x480 >/dev/null
        expect_close "BT.2020 ${curve%:*} AVIF of $source is tone-mapped back" "$dir/$name.bmp" "$dir/$source" \
            "${picture#*:}"
        decode "$dir/$name.avif" "$dir/$name-off.bmp" --cell 640x480 --no-color >/dev/null
        expect_apart "BT.2020 ${curve%:*} AVIF of $source with --no-color is not" "$dir/$name-off.bmp" \
            "$dir/$source" 0.05
    done
done
# A grey JPEG with a grey profile (lightness as CIE L*, not sRGB's curve).
convert -size 640x480 gradient:'#000000-#ffffff' -colorspace Gray -profile "$ICC/Gray-CIE_L.icc" -quality 95 \
    "$dir/grey.jpg"
convert "$dir/grey.jpg" -profile "$ICC/sRGB.icc" PNG24:"$dir/grey-ref.png"
decode "$dir/grey.jpg" "$dir/grey.bmp" --cell 640x480 >/dev/null
expect_close "grey JPEG with an L* profile is converted to sRGB" "$dir/grey.bmp" "$dir/grey-ref.png" 0.01
decode "$dir/grey.jpg" "$dir/grey-off.bmp" --cell 640x480 --no-color >/dev/null
expect_apart "grey JPEG with --no-color is not" "$dir/grey-off.bmp" "$dir/grey-ref.png" 0.02
for f in tagged damaged; do
    decode "$dir/$f.jpg" "$dir/$f.bmp" --cell 640x480 >/dev/null || echo "FAIL: $f.jpg not decoded"
    decode "$dir/$f.jpg" "$dir/$f-off.bmp" --cell 640x480 --no-color >/dev/null
    expect_eq "$f.jpg is shown as stored" 0 "$(compare -metric AE "$dir/$f.bmp" "$dir/$f-off.bmp" null: 2>&1)"
done

# --- The date taken -------------------------------------------------------------
python3 "$HERE/jpeg_exif.py" "$dir/p3.jpg" "$dir/dated.jpg" --date "2019:07:14 18:05:09" --orientation 6
facts="$(decode "$dir/dated.jpg" "$dir/dated.bmp" --cell 480x640 --facts)"
expect_eq "the date taken of a JPEG" "taken 2019:07:14 18:05:09" "$(grep '^taken' <<<"$facts")"
facts="$(decode "$dir/p3.jpg" "$dir/undated.bmp" --cell 640x480 --facts)"
expect_eq "a JPEG without one has none" "" "$(grep '^taken' <<<"$facts")"
finish
