#!/usr/bin/env bash
# Photos whose names use letters outside the Western code page (Czech, Greek,
# Japanese, an emoji) on a Wine with that Western code page: the folder scan
# lists them exactly, the show displays every one with file-name captions
# that draw those letters, the settings window's tree names them and "Add
# photo" takes one, the data folder and the wallpaper work under a profile
# path with such letters, and a picture list written in the old code page
# (bytes of é and ü) is read back and shows its pictures.
set -u
PW_WIN_TARGET="$1"
SCR="$2"
DRIVER="$3"
PWTOOL="$4"
ASSETS="$5"
EXPLORER_STANDIN="$6"
source "$(dirname "$0")/lib.sh"

# On drive C:, where the dialogs list folders at once.
root="$WINEPREFIX/drive_c/pw-e2e-unicode"
WORK="$(mktemp -d)"
SHOTS="$WORK/shots"
shell_folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
user_shell_folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
pw_wine reg export "$shell_folders" "$(pw_winpath "$WORK/shell.reg")" /y >/dev/null 2>&1
pw_wine reg export "$user_shell_folders" "$(pw_winpath "$WORK/user-shell.reg")" /y >/dev/null 2>&1
restore_shell_folders() {
    pw_wine reg import "$(pw_winpath "$WORK/shell.reg")" >/dev/null 2>&1
    pw_wine reg import "$(pw_winpath "$WORK/user-shell.reg")" >/dev/null 2>&1
}
trap 'restore_shell_folders; rm -rf "$WORK" "$root"' EXIT
rm -rf "$root"

album="Fotky 写真 📷"
names=("Staroměstské náměstí" "Ακρόπολη" "東京タワー" "🌅 Sunrise")
colours=('#d02020' '#2040d0' '#e0a020' '#20a040')
singles="Jednotlivé ενικά 単独"
mkdir -p "$root/$album" "$root/$singles" "$root/legacy"
for i in 0 1 2 3; do
    convert -size 900x1000 "xc:${colours[$i]}" "$root/$album/${names[$i]}.jpg"
done
convert -size 420x300 xc:'#808080' "$root/$singles/Ελιά.jpg"
album_win="C:\\pw-e2e-unicode\\$album"

# --- The folder scan ----------------------------------------------------------
scanned="$(pw_wine "$PWTOOL" scan "$album_win" 2>/dev/null | tr -d '\r' | sed 's/.*\\//' | sort)"
expected="$(printf '%s.jpg\n' "${names[@]}" | sort)"
expect_eq "pwtool scan lists every name exactly" "$expected" "$scanned"

# --- The show -----------------------------------------------------------------
# Which of the four colours fills the middle of the left or right page.
page_colour() {  # file, left|right
    local x=120
    [ "$2" = right ] && x=1080
    local i
    for i in 0 1 2 3; do
        if at_least "$(colour_share "$1[720x540+$x+270]" "${colours[$i]}")" 60; then
            echo "${names[$i]}"
            return
        fi
    done
    echo none
}
reg_reset
reg_set Path "$(pw_winpath "$ASSETS")"
pw_wine reg add "$KEY\\Folders" /v 1 /t REG_SZ /d "$album_win" /f >/dev/null 2>&1
reg_set Screens 2
reg_set Order 1
reg_set Delay 600000
reg_set Convert 600
reg_set Wallpaper 1
start_show || echo "FAIL: no show window"
expect_show "spread prepared"
# F: the names go on the pages prepared from now on; two turns bring them.
show_key f
turn_with_key Right
turn_with_key Right
screenshot "$WORK/first.png"
turn_with_key Right
screenshot "$WORK/second.png"
show_key Escape
expect_eq "the show ends on a key" 0 "$(show_exit_code 20)"
shown="$(for f in first second; do page_colour "$WORK/$f.png" left; page_colour "$WORK/$f.png" right; done | sort)"
expect_eq "the show displays every photo" "$(printf '%s\n' "${names[@]}" | sort)" "$shown"
# The captions: each name's letters in the width they take. A caption drawn
# from bytes read in the wrong code page has two or three letters for each
# of these, and one whose font lacks the letters has narrow empty boxes, so
# the caption's black box (its width against its height) tells them apart.
caption_shape() {  # file, left|right
    local x=100
    [ "$2" = right ] && x=1060
    convert "$1" -crop "760x60+$x+990" +repage -fill white -fuzz 8% +opaque black -trim \
        -format '%[fx:w/h]' info: 2>/dev/null
}
in_range() { at_least "$1" "$2" && ! at_least "$1" "$3"; }
for case in "first left Staroměstské 8.5 11" "first right Ακρόπολη 3.5 5.5" "second right 東京タワー 4 6"; do
    read -r shot side name low high <<<"$case"
    shape="$(caption_shape "$WORK/$shot.png" "$side")"
    expect_true "the caption of $name draws its letters (width/height $shape in $low..$high)" \
        in_range "${shape:-0}" "$low" "$high"
done

# --- A picture list written in the old Western code page --------------------
# Its names are the bytes of Windows-1252 (é is E9, ü is FC); the files have
# those names in Unicode. The list's entries are not refreshed at the start.
convert -size 900x1000 "xc:${colours[0]}" "$root/legacy/Café.jpg"
convert -size 900x1000 "xc:${colours[1]}" "$root/legacy/Müller.jpg"
data="$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -path '*/AppData/Roaming/Pagewind' | head -n1)"
expect_true "the show made its data folder ($data)" test -d "$data"
list="$data/piclist.dat"
perl -e '
    sub block { my ($path, @names) = @_; my $bytes = join("", map { "$_\0" } @names);
        return pack("v", length($path) + 18) . "$path\0" . pack("CVVVV", 0, scalar(@names), length($bytes), 0, 0)
            . $bytes; }
    my $folder = "C:\\pw-e2e-unicode\\legacy";
    print "PR", pack("V", 0x02030000), block("Root"),
        block($folder, "$folder\\Caf\xe9.jpg", "$folder\\M\xfcller.jpg");
' >"$list"
dumped="$(pw_wine "$PWTOOL" piclist dump "$(pw_winpath "$list")" 2>/dev/null | tr -d '\r' | sed -n 's/.*picture .*\\//p')"
expect_eq "the old list's names read as their letters" "$(printf 'Café.jpg\nMüller.jpg')" "$dumped"
pw_wine reg delete "$KEY\\Folders" /f >/dev/null 2>&1
start_show || echo "FAIL: no show window over the old list"
expect_show "spread prepared"
screenshot "$WORK/legacy.png"
show_key Escape
show_exit_code 20 >/dev/null
expect_eq "the old list's photos show (left page)" "${names[0]}" "$(page_colour "$WORK/legacy.png" left)"
expect_eq "the old list's photos show (right page)" "${names[1]}" "$(page_colour "$WORK/legacy.png" right)"

# --- Long names ---------------------------------------------------------------
# Two folders deep of 85 Japanese letters each (255 bytes in UTF-8: the most a
# name on this Unix file system can hold) and a photo of 83 letters: the path
# takes 18 + 2 x 86 + 87 = 277 UTF-16 units, more than MAX_PATH. The scan
# lists the photo, the show displays it and captions it with its name.
repeat() { printf "%.0s$1" $(seq "$2"); }
long_top="$(repeat 山 85)"
long_deep="$long_top/$(repeat 川 85)"
long_photo="$(repeat 花 83)"
mkdir -p "$root/$long_deep"
convert -size 900x1000 "xc:${colours[3]}" "$root/$long_deep/$long_photo.jpg"
long_win="C:\\pw-e2e-unicode\\$long_top"
expect_eq "pwtool scan lists the photo with the long path" "C:\\pw-e2e-unicode\\${long_deep//\//\\}\\$long_photo.jpg" \
    "$(pw_wine "$PWTOOL" scan "$long_win" 2>/dev/null | tr -d '\r')"
reg_reset
reg_set Path "$(pw_winpath "$ASSETS")"
reg_write "$KEY\\Folders" 1 "$long_win"
reg_set Screens 2
reg_set Delay 600000
reg_set Convert 600
reg_set TextFileName 1
start_show || echo "FAIL: no show window for the long names"
expect_show "spread prepared"
turn_with_key Right
screenshot "$WORK/long.png"
show_key Escape
show_exit_code 20 >/dev/null
expect_eq "the show displays the photo of the long path" "${names[3]}" "$(page_colour "$WORK/long.png" left)"
shape="$(caption_shape "$WORK/long.png" left)"
expect_true "its caption draws the long name across the page (width/height $shape)" at_least "${shape:-0}" 8

# --- A profile whose path has such letters ----------------------------------
# The data folder goes under the user's application data folder; here that
# folder's path has Czech, Greek and Japanese letters.
profile_win='C:\users\Jiří Ωμέγα 山田'
profile="$WINEPREFIX/drive_c/users/Jiří Ωμέγα 山田"
rm -rf "$profile"
mkdir -p "$profile/AppData/Roaming"
trap 'restore_shell_folders; restore_explorer; rm -rf "$WORK" "$root" "$profile"' EXIT
for key in "$shell_folders" "$user_shell_folders"; do
    pw_wine reg add "$key" /v AppData /t REG_SZ /d "$profile_win\AppData\Roaming" /f >/dev/null 2>&1
done
unicode_data="$profile/AppData/Roaming/Pagewind"

# The settings window: the tree names the folder's photos in the order the
# scan gives them, "Add photo" takes one by its name, and "OK" writes the
# list into the data folder under that profile.
reg_reset
reg_set Path "$(pw_winpath "$ASSETS")"
pw_wine reg add "$KEY\\Folders" /v 1 /t REG_SZ /d "$album_win" /f >/dev/null 2>&1
reg_set DialogPath "C:\\pw-e2e-unicode\\$singles"
mapfile -t order < <(pw_wine "$PWTOOL" scan "$album_win" 2>/dev/null | tr -d '\r' | sed 's/.*\\//')
run_driver settings <<EOF
start $(pw_winpath "$SCR") /c
wait-main
expect-tab 1
expect-tree-children 54 0 4
expect-tree-text 54 0 "$album_win"
expect-tree-text 54 0/0 "${order[0]:-}"
expect-tree-text 54 0/1 "${order[1]:-}"
expect-tree-text 54 0/2 "${order[2]:-}"
expect-tree-text 54 0/3 "${order[3]:-}"
post-click 63
wait-dialog
dialog-set-text 1148@Edit|1152 "C:\pw-e2e-unicode\\$singles\Ελιά.jpg"
dialog-click 1@Button
wait-dialog-gone
wait-text child:*properties:0 "Width : 420"
expect-tree-text 54 1 "Ελιά.jpg"
# The folder browser opens on "DialogPath", a folder of such a name, and
# adds it.
post-click 4
wait-dialog
wait-dialog-tree-selection "$singles"
dialog-click 1@Button
wait-dialog-gone
wait-text child:*properties:0 "1 pictures"
expect-tree-text 54 1 "C:\pw-e2e-unicode\\$singles"
post-click 16
wait-exit 0
EOF
expect_true "OK wrote the list into the data folder under the profile" test -f "$unicode_data/piclist.dat"
dump="$(pw_wine "$PWTOOL" piclist dump "$(pw_winpath "$unicode_data/piclist.dat")" 2>/dev/null | tr -d '\r')"
expect_true "the list holds the added photo's name" grep -qF "picture C:\pw-e2e-unicode\\$singles\Ελιά.jpg" <<<"$dump"
expect_true "and the folder's photos" grep -qF "picture $album_win\東京タワー.jpg" <<<"$dump"

# The wallpaper is written there when the show ends, and shows the spread.
reg_set Screens 2
reg_set Order 1
reg_set Delay 600000
reg_set Wallpaper 1
start_show || echo "FAIL: no show window under the profile"
expect_show "spread prepared"
screenshot "$WORK/profile.png"
show_key Escape
show_exit_code 20 >/dev/null
wallpaper="$unicode_data/Pagewind.bmp"
expect_true "the wallpaper is in the data folder under the profile" test -f "$wallpaper"
on_screen="$(page_colour "$WORK/profile.png" left) | $(page_colour "$WORK/profile.png" right)"
expect_true "a photo of the folder was on screen ($on_screen)" test "$on_screen" != "none | none"
expect_eq "the wallpaper shows that spread" "$on_screen" \
    "$(page_colour "$wallpaper" left) | $(page_colour "$wallpaper" right)"

# A crash report is written there too, and its page declares UTF-8.
use_explorer_standin "$EXPLORER_STANDIN" || exit 1
export PW_EXPLORER_LOG
PW_EXPLORER_LOG="$(pw_winpath "$WORK/explorer.log")"
reg_set Screens 3
expect_eq "\"incorrect pps, 3\" ends the program through the crash report" 217 "$(run_scr /s)"
report="$(ls "$unicode_data"/BugReport*.html 2>/dev/null | head -n1)"
expect_true "the report is in the data folder under the profile" test -f "$report"
expect_true "the report's page declares UTF-8" grep -q 'charset=utf-8' "$report"

reg_reset
finish
