#!/usr/bin/env bash
# Pictures that only GDI+ reads, decoded by `pwtool decode` through the plugin
# host: PNG, GIF and TIFF made here by ImageMagick, and bitmaps the standard
# plugin refuses (RLE8, RLE4, bit-field masks, version 4 and 5 headers). In a
# cell of the picture's own size the cell must hold exactly what ImageMagick
# decodes from the same file, with the real-time resize (24-bit rows through
# the line callback) and without it (the whole picture in 32-bit pixels).
# Truncated and damaged files are refused or decoded, never a crash.
set -u
PW_WIN_TARGET="$1"
PWTOOL="$2"
source "$(dirname "$0")/lib.sh"

dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT

# Little-endian numbers as raw bytes.
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
hex() { for b in "$@"; do printf "\\x$b"; done; }

# BMP file header and the first 40 bytes of an information header.
bmp_head() {  # header size, width, height, bits, compression, data offset, data size
    printf 'BM'; le32 $(($6 + $7)); le32 0; le32 "$6"
    le32 "$1"; le32 "$2"; le32 "$3"; le16 1; le16 "$4"; le32 "$5"; le32 "$7"; le32 2835; le32 2835; le32 0; le32 0
}

# An 8 x 4 RLE4 bitmap: runs, an absolute run and the end markers.
{
    bmp_head 40 8 4 4 2 $((14 + 40 + 64)) 22
    hex 00 00 00 00  00 00 ff 00  00 c8 00 00  fa 3c 1e 00
    for _ in $(seq 12); do hex 80 80 80 00; done
    hex 08 12 00 00  04 33 04 00 00 00  00 08 01 23 01 23 00 00  08 31 00 01
} >"$dir/rle4.bmp"

# A 5 x 3 24-bit bitmap with a version 4 header (108 bytes).
{
    bmp_head 108 5 3 24 0 $((14 + 108)) 48
    for _ in $(seq 17); do le32 0; done
    for y in 0 1 2; do
        for x in 0 1 2 3 4; do hex "$(printf %02x $((40 * x)))" "$(printf %02x $((90 * y)))" c8; done
        hex 00
    done
} >"$dir/v4.bmp"

convert -size 37x23 gradient:red-blue -fill green -draw 'rectangle 5,5 20,15' -fill yellow \
    -draw 'point 0,0' PNG24:"$dir/truecolour.png"
convert "$dir/truecolour.png" -colors 40 PNG8:"$dir/palette.png"
convert "$dir/truecolour.png" "$dir/animated.gif"
convert "$dir/truecolour.png" -compress lzw "$dir/lzw.tif"
convert "$dir/truecolour.png" -compress none "$dir/plain.tiff"
convert "$dir/truecolour.png" -colors 200 -compress RLE BMP3:"$dir/rle8.bmp"
convert "$dir/truecolour.png" -define bmp:subtype=RGB565 "$dir/masks565.bmp"
convert "$dir/truecolour.png" BMP:"$dir/v5.bmp"
convert "$dir/truecolour.png" BMP3:"$dir/uncompressed.bmp"

# The output goes first, so that a failed decode is never compared with the
# cell an earlier one left there.
decode() {  # file, output bmp, more pwtool arguments; prints the result line
    rm -f "$2"
    timeout 120 "$PW_WINE" "$PWTOOL" decode "$(pw_winpath "$1")" --out "$(pw_winpath "$2")" "${@:3}" 2>"$dir/stderr"
}
# The exit code and the result line of a decode that must succeed.
decode_ok() {  # file, output bmp, more pwtool arguments
    local line code
    line="$(decode "$@")"
    code=$?
    echo "$code ${line//$'\r'/}"
}

differing() { compare -metric AE "$1" "$2" null: 2>&1; }

for entry in truecolour.png:PNG palette.png:PNG animated.gif:GIF lzw.tif:TIFF plain.tiff:TIFF \
            rle8.bmp:Bitmap rle4.bmp:Bitmap masks565.bmp:Bitmap v5.bmp:Bitmap v4.bmp:Bitmap; do
    name="${entry%%:*}"
    format="${entry#*:}"
    file="$dir/$name"
    size="$(identify -format '%wx%h' "$file")"
    read_as="0 $size $format $(stat -c %s "$file")"
    expect_eq "$name is read by GDI+ at its size" "$read_as" "$(decode_ok "$file" "$dir/rt.bmp" --cell "$size")"
    expect_eq "$name with the real-time resize: pixels differing from ImageMagick's" 0 "$(differing "$dir/rt.bmp" "$file")"
    expect_eq "$name is read whole at its size" "$read_as" \
        "$(decode_ok "$file" "$dir/whole.bmp" --cell "$size" --no-rtresize)"
    expect_eq "$name decoded whole: pixels differing from ImageMagick's" 0 "$(differing "$dir/whole.bmp" "$file")"
done

# Scaled into a smaller cell, the rows through the line callback and the
# whole picture give the same cell.
for name in truecolour.png rle8.bmp lzw.tif; do
    expect_eq "$name scaled: decoded with the real-time resize" 0 \
        "$(decode_ok "$dir/$name" "$dir/rt.bmp" --cell 20x15 | cut -d' ' -f1)"
    expect_eq "$name scaled: decoded whole" 0 \
        "$(decode_ok "$dir/$name" "$dir/whole.bmp" --cell 20x15 --no-rtresize | cut -d' ' -f1)"
    expect_eq "$name scaled: real-time and whole give the same cell" 0 "$(differing "$dir/rt.bmp" "$dir/whole.bmp")"
done

# Cut short or damaged: refused with "not decoded" (or decoded as far as GDI+
# can), never an exception or a crash. An uncompressed bitmap cut short goes
# through the standard plugin's header first and then to GDI+.
for name in truecolour.png animated.gif lzw.tif rle8.bmp rle4.bmp v4.bmp uncompressed.bmp; do
    file="$dir/$name"
    ext="${name##*.}"
    head -c $(($(stat -c %s "$file") * 2 / 3)) "$file" >"$dir/cut.$ext"
    cp "$file" "$dir/damaged.$ext"
    printf '\xff\xff\xff\xff\x00\x00\x00\x00\xff\xff\xff\xff' |
        dd of="$dir/damaged.$ext" bs=1 seek=$(($(stat -c %s "$file") / 3)) conv=notrunc status=none
    for broken in "cut.$ext" "damaged.$ext"; do
        for rt in "" --no-rtresize; do
            decode "$dir/$broken" "$dir/broken.bmp" --cell 30x20 $rt >/dev/null
            code=$?
            said="$(tr -d '\r' <"$dir/stderr")"
            if [ "$code" = 0 ] || { [ "$code" = 1 ] && [[ "$said" == *"not decoded"* ]]; }; then
                echo "ok: $name $broken $rt ends with $code"
            else
                echo "FAIL: $name $broken $rt: exit code $code, '$said'"
                FAILURES=$((FAILURES + 1))
            fi
        done
    done
done
finish
