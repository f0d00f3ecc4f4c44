#!/usr/bin/env bash
# The settings window (Pagewind.scr /c) as a user meets it, driven from
# outside by settings_driver with ordinary window messages: what it shows for
# the stored settings, the rules of its boxes, what "OK" writes to the
# registry and to piclist.dat, that "Cancel" and the close box write nothing,
# the Photos tab's folder and photo lists with the system dialogs, "Preview",
# and screenshots of every tab at 96 and 144 DPI.
set -u
PW_WIN_TARGET="$1"
SCR="$2"
DRIVER="$3"
PWTOOL="$4"
ASSETS="$5"
SHOTS="$6"
source "$(dirname "$0")/lib.sh"

# A fresh user's first run scans the Pictures folder: the prefix's own, empty
# one, never the home folder that Wine links there by default.
pw_wine_prefix_init
WORK="$(mktemp -d)"
# The pictures live on the prefix's drive C: the folder browser walks there
# at once, where the Z: drive (the whole host) takes it long to list.
photos="$WINEPREFIX/drive_c/pw-e2e-settings"
x11='HKCU\Software\Wine\X11 Driver'
trap 'rm -rf "$WORK" "$photos"; pw_wine reg delete "HKCU\\Control Panel\\Desktop" /v LogPixels /f >/dev/null 2>&1;
      pw_wine reg delete "$x11" /v Decorated /f >/dev/null 2>&1' EXIT
rm -rf "$photos" "$SHOTS"
mkdir -p "$photos/album" "$photos/singles" "$SHOTS"
# Every picture has a size of its own, so the properties tell them apart.
convert -size 640x480 xc:'#c03030' "$photos/album/a.jpg"
convert -size 800x600 xc:'#30c030' "$photos/album/b.jpg"
convert -size 1024x768 xc:'#3030c0' "$photos/album/c.jpg"
mkdir -p "$photos/album/sub"
convert -size 320x240 xc:'#303030' "$photos/album/sub/d.jpg"
convert -size 300x200 xc:'#c0c030' "$photos/singles/s1.jpg"
convert -size 400x300 xc:'#30c0c0' "$photos/singles/s2.jpg"
convert -size 500x375 xc:'#c030c0' "$photos/singles/s3.jpg"
album='C:\pw-e2e-settings\album'
singles='C:\pw-e2e-settings\singles'
scr="$(pw_winpath "$SCR")"
paint_desktop "$DESKTOP_COLOUR"
# Xvfb has no window manager: Wine draws the caption and the frame itself, so
# that screenshots show the whole window.
pw_wine reg add "$x11" /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1

piclist_dump() {
    local file
    file="$(find "$WINEPREFIX/drive_c/users" -name piclist.dat 2>/dev/null | head -n1)"
    if [ -z "$file" ]; then echo "no piclist.dat"; return; fi
    pw_wine "$PWTOOL" piclist dump "$(pw_winpath "$file")" 2>&1 | tr -d '\r'
}
# The checksum of the picture list file (empty without one).
piclist_sum() { find "$WINEPREFIX/drive_c/users" -name piclist.dat -exec md5sum {} + 2>/dev/null | cut -d' ' -f1; }

# Driver steps: "Add photo" of one single photo through the open-file dialog's
# name box, until the properties show the photo's width.
add_photo() {
    printf '%s\n' "post-click 63" "wait-dialog" "dialog-set-text 1148@Edit|1152 \"$singles\\$1.jpg\"" \
        "dialog-click 1@Button" "wait-dialog-gone" "wait-text child:*properties:0 \"Width : $2\""
}

# --- First use: the Photos tab, its lists and dialogs, and "OK" -------------
reg_reset
reg_set Path "$(pw_winpath "$ASSETS")"
reg_set DialogPath "$album"
run_driver first-use <<EOF
start $scr /c
wait-main
expect-window-size
# First use (no "Delay" stored yet) opens on the Photos tab.
expect-tab 1
expect-visible 54
expect-hidden 15
expect-tree-count 54 0
# The folder browser's Cancel adds nothing.
post-click 4
wait-dialog
dialog-click 2@Button
wait-dialog-gone
expect-tree-count 54 0
# It opens on "DialogPath"; OK adds that folder with its pictures.
post-click 4
wait-dialog
wait-dialog-tree-selection album
dialog-click 1@Button
wait-dialog-gone
wait-text child:*properties:0 "4 pictures"
expect-visible "=Folder properties"
expect-visible 65
expect-visible 6
expect-checked 6
expect-visible 7
expect-unchecked 7
expect-hidden ^Height
expect-tree-text 54 0 "$album"
expect-tree-children 54 0 4
expect-tree-text 54 0/3 "d.jpg"
# Without its subfolder the folder is read again; Auto Refresh is kept.
click 6
wait-text child:*properties:0 "3 pictures"
click 7
expect-checked 7
expect-tree-children 54 0 3
expect-tree-count 54 4
expect-tree-text 54 0/2 "c.jpg"
expect-tree-selected 54 0
tree-select 54 0/1
wait-text child:*properties:0 "Width : 800"
expect-text ^Height "Height : 600"
expect-visible "=Image properties"
expect-visible ^Format
expect-hidden 65
expect-hidden 6
# The open-file dialog's Cancel adds nothing; then three photos one by one.
post-click 63
wait-dialog
dialog-click 2@Button
wait-dialog-gone
expect-tree-count 54 4
$(add_photo s1 300)
$(add_photo s2 400)
$(add_photo s3 500)
expect-tree-count 54 7
expect-tree-selected 54 3
expect-tree-text 54 1 "s1.jpg"
expect-tree-text 54 3 "s3.jpg"
# Remove the second photo: the third still shows its own properties.
tree-select 54 2
wait-text child:*properties:0 "Width : 400"
click 5
expect-tree-count 54 6
expect-tree-text 54 2 "s3.jpg"
tree-select 54 1
wait-text child:*properties:0 "Width : 300"
tree-select 54 2
wait-text child:*properties:0 "Width : 500"
expect-text ^Height "Height : 375"
shot photos-96dpi
tab 0
expect-tab 0
expect-visible 15
expect-hidden 54
shot general-96dpi
tab 2
expect-tab 2
expect-visible "=Version : 1.4.1.1"
expect-hidden 15
shot about-96dpi
tab 1
expect-visible 54
post-click 16
wait-exit 0
EOF
# The preview (a quarter of the window) shows the selected photo, s3.
expect_at_least "the preview shows the selected photo (% of the window)" 20 \
    "$(colour_share "$SHOTS/photos-96dpi.png" '#c030c0')"
after="$(reg_snapshot)"
expect_eq "OK on first use stores the default delay" 5000 "$(snap_get "$after" Delay)"
expect_eq "the chosen folder is remembered in DialogPath" "$album" "$(snap_get "$after" DialogPath)"
# Wine's OpenGL gives pixel format 1 of the desktop neither generic flag.
expect_eq "the acceleration check records the driver kind" ICD "$(snap_get "$after" driver)"
dump="$(piclist_dump)"
expect_eq "piclist.dat holds the photos and the folder" \
    "$(printf '%s\n' "  picture $singles\\s1.jpg" "  picture $singles\\s3.jpg" \
        "  picture $album\\a.jpg" "  picture $album\\b.jpg" "  picture $album\\c.jpg" "2 entries, 5 pictures")" \
    "$(printf '%s\n' "$dump" | grep -E '^  picture|entries')"
expect_eq "the folder is the second entry, with Auto Refresh and without subfolders" "$album flags=1" \
    "$(printf '%s\n' "$dump" | sed -n 4p | cut -f1,2 | tr '\t' ' ')"

# --- Stored settings in the controls, the General tab's rules, and "OK" -----
# ("driver" names another kind than Wine's: the start rewrites it.)
for pair in Delay=7000 Convert=3000 Order=3 Screens=2 AutoLayout=0 TextPos=1 ArrowKeys=1 StopKey=0 Wallpaper=1 \
            MouseMove=0 Textbg=0 TextFileName=15 ignoreexif=1 ColorManage=0 driver=No; do
    reg_set "${pair%%=*}" "${pair#*=}"
done
run_driver general <<EOF
start $scr /c
wait-main
# Settings stored before: the General tab.
expect-tab 0
expect-text 15 "7"
expect-trackbar 28 7
expect-text 20 "3"
expect-trackbar 29 3
# A stored display order of 3 is shown as Sequential.
expect-checked 32
expect-unchecked 35
expect-unchecked 33
expect-unchecked 42
expect-unchecked 34
expect-checked 68
expect-unchecked 70
expect-checked "=Use arrow keys"
expect-unchecked 44
expect-checked "=Set wallpaper on exit"
expect-unchecked "=Exit on mouse move"
expect-unchecked 75
expect-checked 56
expect-checked 61
expect-checked 74
expect-checked 62
expect-unchecked 73
expect-combo 57 0
expect-unchecked 8
# Digits only: a letter typed between digits goes, the caret steps back.
focus 15
set-text 15 "12"
caret 15 1
type 15 "a"
expect-text 15 "12"
expect-caret 15 1
expect-trackbar 28 12
# Limits applied on leaving a box.
set-text 15 "0"
focus 20
expect-text 15 "0"
focus 15
set-text 15 "100000"
expect-trackbar 28 60
focus 20
expect-text 15 "86400"
focus 15
set-text 15 ""
focus 20
expect-text 15 "5"
set-text 20 "0"
focus 15
expect-text 20 "1"
focus 20
set-text 20 "1500"
focus 15
expect-text 20 "1000"
focus 20
set-text 20 ""
focus 15
expect-text 20 "5"
# The trackbar moves its box.
key 29 0x23
expect-trackbar 29 20
expect-text 20 "20"
set-text 20 "4"
expect-trackbar 29 4
set-text 15 "12"
# "Start from random" and "Start from previous" exclude each other.
click 42
expect-checked 42
click 34
expect-checked 34
expect-unchecked 42
click 42
expect-checked 42
expect-unchecked 34
click 42
expect-unchecked 42
expect-unchecked 34
# "Show file name (F)" greys out the caption controls.
click 73
click 56
expect-unchecked 56
expect-disabled 61
expect-disabled 74
expect-disabled 62
expect-disabled 55
expect-disabled 57
expect-disabled 73
click 56
expect-enabled 61
expect-enabled 74
expect-enabled 62
expect-enabled 55
expect-enabled 57
expect-enabled 73
click 61
click 56
expect-disabled 61
# "Show date taken" alone keeps the font, the position and the background.
expect-unchecked 76
click 76
expect-checked 76
expect-enabled 55
expect-enabled 57
expect-enabled 73
expect-disabled 61
# Everything else to new values, then OK.
click 35
click 34
# "Arrange by photo shape": "Screens" keeps the fixed choice stored.
click 70
expect-unchecked 68
combo-select 57 2
click "=Use arrow keys"
click 44
click "=Set wallpaper on exit"
click "=Exit on mouse move"
click 75
tab 1
click 8
expect-checked 8
post-click 16
wait-exit 0
EOF
after="$(reg_snapshot)"
for pair in Delay=12000 Convert=4000 Order=12 Screens=2 AutoLayout=1 TextPos=3 ArrowKeys=0 StopKey=1 Wallpaper=0 \
            MouseMove=1 Textbg=1 TextFileName=28 ignoreexif=0 ColorManage=1; do
    expect_eq "OK stores ${pair%%=*}" "${pair#*=}" "$(snap_get "$after" "${pair%%=*}")"
done
expect_eq "the acceleration check replaces an old driver kind" ICD "$(snap_get "$after" driver)"

# --- "Cancel" and "Preview": nothing is written ------------------------------
# What the window may write: its settings, the picture list, DialogPath.
edited='^(Delay|Convert|Order|Screens|AutoLayout|ColorManage|TextPos|ArrowKeys|StopKey|Wallpaper|MouseMove|Textbg|TextFileName|ignoreexif'
edited+='|Font|FontColor|DialogPath)='
before="$(reg_snapshot | grep -E "$edited")"
list_before="$(piclist_sum)"
run_driver cancel <<EOF
start $scr /c
wait-main
set-text 15 "30"
set-text 20 "9"
click 33
click 42
click 56
click "=Use arrow keys"
# Stored by the OK before: the shapes' choice is the one checked.
expect-checked 70
expect-unchecked 68
click 68
combo-select 57 0
tab 1
wait-tree-count 54 3 20
expect-tree-children 54 0 3
tree-select 54 0
click 5
expect-tree-count 54 2
click 8
# Preview: one show window however often it is asked for; Escape ends the
# show and the settings window is back.
post-click 26
wait-window DERU_Pagewind 30
post-click 26
sleep 2000
expect-window-count DERU_Pagewind 1
key-window DERU_Pagewind 0x1B
wait-window-gone DERU_Pagewind 30
expect-active
expect-visible 54
expect-tree-count 54 2
post-click 17
wait-exit 0
EOF
expect_eq "Cancel leaves the settings alone" "$before" \
    "$(reg_snapshot | grep -E "$edited")"
expect_eq "Cancel leaves piclist.dat alone" "$list_before" "$(piclist_sum)"

# --- 144 DPI: the same window scaled, and the close box ----------------------
pw_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
run_driver dpi144 <<EOF
start $scr /c
wait-main
expect-window-size
shot general-144dpi
tab 1
wait-tree-count 54 3 20
tree-select 54 1
wait-text child:*properties:0 "Width : 300"
shot photos-144dpi
tab 2
shot about-144dpi
set-text 15 "42"
close
wait-exit 0
EOF
pw_wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
expect_at_least "at 144 DPI the preview shows the selected photo (% of the window)" 20 \
    "$(colour_share "$SHOTS/photos-144dpi.png" '#c0c030')"
expect_eq "the close box stores nothing" 12000 "$(reg_get Delay)"
finish
