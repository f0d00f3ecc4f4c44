#!/usr/bin/env bash
# HEIC, AVIF and WebP pictures as phones and web pages write them, decoded by
# `pwtool decode` through the plugin host and the phone and web formats
# plugin, natively ("native") or under Wine (win32, win64). The pictures are
# made here by Debian's encoders (heif-enc with x265, avifenc, cwebp,
# img2webp); heif_compose.py puts heif-enc's tiles into a 4032 x 3024 grid
# and adds the container's rotation and mirror. Each decode in a cell of the
# picture's own size must match the reference decoder (heif-convert, avifdec,
# dwebp) with a normalised RMSE under 0.01, transparent pixels laid over the
# page colour. Truncated, damaged and oversized files end with "not decoded",
# never a crash or a hang.
set -u
PW_WIN_TARGET="$1"
PWTOOL="$2"
source "$(dirname "$0")/lib.sh"
HERE="$(cd "$(dirname "$0")" && pwd)"

dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
PAGE='rgb(213,202,175)'  # the page colour transparent pixels are laid over


# --- The pictures -------------------------------------------------------------
bash "$HERE/make_heif_pictures.sh" "$dir" || { echo "FAIL: making the pictures"; exit 1; }
tiles=("$dir"/tile-??.heic)

# --- References -----------------------------------------------------------------
# The reference decoders' pixels, transparent ones laid over the page colour.
reference() {  # file, output png
    case "$1" in
        *.heic) heif-convert "$1" "$dir/ref-raw.png" >/dev/null ;;
        *.avif) avifdec "$1" "$dir/ref-raw.png" >/dev/null ;;
        *.webp) dwebp "$1" -o "$dir/ref-raw.png" >/dev/null 2>&1 ;;
    esac
    convert "$dir/ref-raw.png" -background "$PAGE" -alpha remove -alpha off -depth 8 PNG24:"$2"
}
# dwebp reads only the first frame's own bitstream; the first frame of this
# animation covers the canvas, so its reference is the frame's own picture.
webpmux -get frame 1 "$dir/animated.webp" -o "$dir/first-frame.webp" >/dev/null 2>&1

for entry in grid.heic:4032x3024:HEIC turned.heic:480x640:HEIC mirrored.heic:640x480:HEIC \
             turned-mirrored.heic:480x640:HEIC deep.avif:640x480:AVIF photo.avif:4032x3024:AVIF \
             photo.webp:4032x3024:WebP alpha.webp:640x480:WebP animated.webp:640x480:WebP; do
    IFS=: read -r name size format <<<"$entry"
    file="$dir/$name"
    if [ "$name" = animated.webp ]; then reference "$dir/first-frame.webp" "$dir/ref.png"; else reference "$file" "$dir/ref.png"; fi
    expect_eq "$name: reference decoder's size" "$size" "$(identify -format '%wx%h' "$dir/ref.png")"
    read_as="$size $format $(stat -c %s "$file")"
    expect_eq "$name is read at its size (real-time resize)" "$read_as" "$(decode "$file" "$dir/rt.bmp" --cell "$size")"
    expect_close "$name with the real-time resize against the reference" "$dir/rt.bmp" "$dir/ref.png" 0.01
    expect_eq "$name is read whole at its size" "$read_as" "$(decode "$file" "$dir/whole.bmp" --cell "$size" --no-rtresize)"
    expect_close "$name decoded whole against the reference" "$dir/whole.bmp" "$dir/ref.png" 0.01
done

# The container's rotation and mirror are applied once: against the source
# turned by ImageMagick (lossy coding keeps this above the decoder's own
# RMSE, a wrong turn gives about 0.3).
convert "$dir/small.png" -rotate -90 PNG24:"$dir/src-turned.png"
convert "$dir/small.png" -flop PNG24:"$dir/src-mirrored.png"
convert "$dir/small.png" -rotate 90 -flop PNG24:"$dir/src-turned-mirrored.png"
for name in turned mirrored turned-mirrored; do
    decode "$dir/$name.heic" "$dir/upright.bmp" --cell "$(identify -format '%wx%h' "$dir/src-$name.png")" >/dev/null
    expect_close "$name.heic is upright" "$dir/upright.bmp" "$dir/src-$name.png" 0.05
done

# Scaled into a page cell: the WebP decoder scales while it decodes; the cell
# matches the reference scaled by ImageMagick.
for name in photo.webp grid.heic photo.avif; do
    reference "$dir/$name" "$dir/ref.png"
    convert "$dir/ref.png" -resize 960x1080 -background black -gravity center -extent 960x1080 PNG24:"$dir/ref-cell.png"
    decode "$dir/$name" "$dir/cell.bmp" --cell 960x1080 >/dev/null
    expect_close "$name fitted into a 960 x 1080 cell" "$dir/cell.bmp" "$dir/ref-cell.png" 0.03
done

# The folder scan picks up every extension of the plugin, in any case.
mkdir -p "$dir/scan"
for name in a.heic b.HEIF c.hif d.avif e.WebP f.txt; do cp "$dir/small.heic" "$dir/scan/$name"; done
expect_eq "the folder scan lists the phone and web formats" "a.heic b.HEIF c.hif d.avif e.WebP" \
    "$(timeout 60 $PW_WINE "$PWTOOL" scan "$(pw_winpath "$dir/scan")" | tr -d '\r' | sed 's|.*[\\/]||' | tr '\n' ' ' | sed 's/ $//')"

# Without its libraries the program runs on without their formats: a copy of
# pwtool without libde265.dll (which libheif.dll needs) still reads WebP but
# no HEIC; without In_heif.dll neither.
if [ "$PW_WIN_TARGET" != native ]; then
    mkdir -p "$dir/bare"
    cp "$PWTOOL" "$(dirname "$PWTOOL")"/{In_heif,libheif}.dll "$dir/bare/"
    BARE_TOOL="$dir/bare/$(basename "$PWTOOL")"
    expect_eq "without libde265.dll: WebP still read" "640x480 WebP $(stat -c %s "$dir/alpha.webp")" \
        "$(PWTOOL="$BARE_TOOL" decode "$dir/alpha.webp" "$dir/bare.bmp" --cell 320x240)"
    expect_refused_by() {  # what, tool, file
        PWTOOL="$2" decode "$3" "$dir/bare.bmp" --cell 320x240 >/dev/null
        expect_eq "$1" "1 not decoded" "$? $(grep -o 'not decoded' "$dir/stderr")"
    }
    expect_refused_by "without libde265.dll: HEIC not read" "$BARE_TOOL" "$dir/small.heic"
    rm "$dir/bare/In_heif.dll"
    expect_refused_by "without In_heif.dll: WebP not read" "$BARE_TOOL" "$dir/alpha.webp"
fi

# --- Bad input ----------------------------------------------------------------------
expect_refused() {  # what, file
    local code said
    decode "$2" "$dir/bad.bmp" --cell 320x240 >/dev/null
    code=$?
    said="$(tr -d '\r' <"$dir/stderr")"
    if [ "$code" = 1 ] && [[ "$said" == *"not decoded"* ]]; then echo "ok: $1"; else
        echo "FAIL: $1: exit code $code, '$said'"; FAILURES=$((FAILURES + 1)); fi
}
for name in grid.heic turned.heic deep.avif photo.avif photo.webp alpha.webp animated.webp; do
    file="$dir/$name"
    ext="${name##*.}"
    size="$(stat -c %s "$file")"
    for keep in 12 $((size / 3)) $((size * 2 / 3)) $((size - 1)); do
        head -c "$keep" "$file" >"$dir/cut.$ext"
        decode "$dir/cut.$ext" "$dir/bad.bmp" --cell 320x240 >/dev/null
        code=$?
        # A file cut inside its last coded bytes may still decode (the
        # decoders conceal what is missing); anything else is refused.
        if [ "$code" = 0 ] || { [ "$code" = 1 ] && grep -q "not decoded" "$dir/stderr"; }; then
            echo "ok: $name cut to $keep bytes ends with $code"
        else
            echo "FAIL: $name cut to $keep bytes: exit code $code"; FAILURES=$((FAILURES + 1))
        fi
    done
done
# Sizes beyond the host's largest buffer are refused from the header alone: a
# grid that claims 30000 x 30000 pixels, a WebP that claims 16383 x 16383.
python3 "$HERE/heif_compose.py" grid "$dir/huge.heic" 30000 30000 4 "${tiles[@]}"
expect_refused "a 30000 x 30000 grid is refused" "$dir/huge.heic"
python3 "$HERE/heif_compose.py" grid "$dir/lying.heic" 4208x27000:100x120 4 "${tiles[@]}"
expect_refused "a grid of 4208 x 27000 whose property says 100 x 120 is refused" "$dir/lying.heic"
# ... before anything is allocated for it (measured natively: the library
# alone would take about 670 MB for it).
if [ "$PW_WIN_TARGET" = native ]; then
    peak="$(/usr/bin/time -f %M "$PWTOOL" decode "$dir/lying.heic" --cell 320x240 2>&1 >/dev/null | tail -1)"
    expect_below "peak memory refusing it (KB)" 60000 "$peak"
fi
# Sizes that only the item's data or the coded stream declares: a grid of
# 30000 x 30000 whose data lies in two extents (the first of two bytes,
# followed by bytes that read as 100 x 120), an overlay of 1000 x 500 over a
# grid of 30000 x 30000, and an AVIF and a HEIC coded at 5200 x 5000 (26
# million pixels, beyond the largest picture) whose ispe says 100 x 100.
python3 "$HERE/heif_compose.py" split-grid "$dir/split.heic" 30000 30000 100 120 4 "${tiles[@]}"
python3 "$HERE/heif_compose.py" overlay "$dir/overlay.heic" 1000 500 30000 30000 4 "${tiles[@]}"
convert -size 5200x5000 gradient:'#3060c0-#f0c040' -alpha off PNG24:"$dir/large.png"
avifenc -s 10 --min 30 --max 50 "$dir/large.png" "$dir/large.avif" >/dev/null
heif-enc -q 10 -p preset=ultrafast "$dir/large.png" -o "$dir/large.heic" >/dev/null
for name in large.avif large.heic; do
    python3 "$HERE/heif_compose.py" ispe "$dir/small-$name" "$dir/$name" 100 100
done
# ... each refused before the libraries allocate for it (measured natively:
# without the checks they take 5.3 GB, 2.6 GB, 340 MB and 160 MB).
for name in split.heic overlay.heic small-large.avif small-large.heic; do
    expect_refused "$name is refused" "$dir/$name"
    if [ "$PW_WIN_TARGET" = native ]; then
        peak="$(/usr/bin/time -f %M "$PWTOOL" decode "$dir/$name" --cell 320x240 2>&1 >/dev/null | tail -1)"
        expect_below "peak memory refusing $name (KB)" 60000 "$peak"
    fi
done
cwebp -quiet -lossless "$dir/small.png" -o "$dir/lossless.webp"
# VP8L header at byte 21: 14 bits width - 1, 14 bits height - 1.
python3 - "$dir/lossless.webp" "$dir/huge.webp" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
assert data[12:16] == b"VP8L" and data[20] == 0x2F
bits = int.from_bytes(data[21:25], "little")
bits = (bits & ~((1 << 28) - 1)) | 0x3FFF | (0x3FFF << 14)
data[21:25] = bits.to_bytes(4, "little")
open(sys.argv[2], "wb").write(data)
PY
expect_refused "a WebP of 16383 x 16383 is refused" "$dir/huge.webp"
printf 'RIFF\x10\x00\x00\x00WEBPVP8 \x04\x00\x00\x00junk' >"$dir/junk.webp"
expect_refused "a WebP of junk is refused" "$dir/junk.webp"
head -c 4000 /dev/urandom >"$dir/noise.heic"
expect_refused "noise named .heic is refused" "$dir/noise.heic"
finish
