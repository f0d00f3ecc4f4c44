#!/usr/bin/env bash
# Makes the HEIC, AVIF and WebP test pictures into a folder, with Debian's
# encoders (heif-enc with x265, avifenc, cwebp, img2webp); heif_compose.py
# puts heif-enc's tiles into a grid and adds the container's rotation and
# mirror. Used by tests/e2e/heif_formats.sh and bench/run_heif.
#   make_heif_pictures.sh DIR
set -eu
HERE="$(cd "$(dirname "$0")" && pwd)"
dir="$1"
mkdir -p "$dir"
# A photo-like scene with edges and colour in every part.
scene() {  # width, height, output
    convert -size "$1x$2" gradient:'#3060c0-#f0c040' \
        -fill '#208040' -draw "rectangle $(($1 / 8)),$(($2 / 6)) $(($1 / 2)),$(($2 / 2))" \
        -fill '#c02020' -draw "circle $(($1 * 3 / 4)),$(($2 * 2 / 3)) $(($1 * 7 / 8)),$(($2 * 2 / 3))" \
        -fill white -draw "polygon $(($1 / 10)),$(($2 * 9 / 10)) $(($1 / 3)),$(($2 * 3 / 5)) $(($1 / 2)),$(($2 * 9 / 10))" \
        -alpha off PNG24:"$3"
}

# The 4032 x 3024 photo as a grid of 1024 x 1024 HEVC tiles (4 x 3; the last
# column and row reach past the picture and are cut by the grid's size).
scene 4032 3024 "$dir/photo.png"
convert "$dir/photo.png" -background black -extent 4096x3072 -crop 1024x1024 +repage PNG24:"$dir/tile-%02d.png"
for n in $(seq -w 0 11); do
    heif-enc -q 85 "$dir/tile-$n.png" -o "$dir/tile-$n.heic" >/dev/null
done
python3 "$HERE/heif_compose.py" grid "$dir/grid.heic" 4032 3024 4 "$dir"/tile-??.heic

# A smaller picture turned and mirrored by the container.
scene 640 480 "$dir/small.png"
heif-enc -q 90 "$dir/small.png" -o "$dir/small.heic" >/dev/null
python3 "$HERE/heif_compose.py" transform "$dir/turned.heic" "$dir/small.heic" 1 none
python3 "$HERE/heif_compose.py" transform "$dir/mirrored.heic" "$dir/small.heic" 0 1
python3 "$HERE/heif_compose.py" transform "$dir/turned-mirrored.heic" "$dir/small.heic" 3 1

# 10-bit AVIF from a 16-bit picture, and an 8-bit one.
convert "$dir/small.png" -depth 16 PNG48:"$dir/small16.png"
avifenc --min 10 --max 30 -d 10 -s 8 "$dir/small16.png" "$dir/deep.avif" >/dev/null
avifenc --min 10 --max 30 -d 8 -s 8 "$dir/photo.png" "$dir/photo.avif" >/dev/null

# WebP: a photo, one with alpha, and an animation of two frames.
cwebp -quiet -q 90 "$dir/photo.png" -o "$dir/photo.webp"
convert "$dir/small.png" \( -size 640x480 radial-gradient:white-black \) -alpha off -compose CopyOpacity \
    -composite PNG32:"$dir/alpha.png"
cwebp -quiet -q 90 -exact "$dir/alpha.png" -o "$dir/alpha.webp"
convert "$dir/small.png" -negate PNG24:"$dir/second.png"
img2webp -q 90 -d 200 "$dir/alpha.png" "$dir/second.png" -o "$dir/animated.webp" >/dev/null 2>&1

