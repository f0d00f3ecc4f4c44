#!/usr/bin/env bash
# The settings window under a user's keyboard: real key presses on the X
# display (so that the window's own dialog keys run), where the focus goes
# and comes back, what each button does on Enter, and a folder that takes
# for ever to read: the window goes on answering and Escape stops the read.
set -u
PW_WIN_TARGET="$1"
SCR="$2"
DRIVER="$3"
ASSETS="$4"
source "$(dirname "$0")/lib.sh"

pw_wine_prefix_init
WORK="$(mktemp -d)"
SHOTS="$WORK/shots"
photos="$WINEPREFIX/drive_c/pw-e2e-keyboard"
trap 'rm -rf "$WORK" "$photos"' EXIT
rm -rf "$photos"
mkdir -p "$photos/album"
convert -size 640x480 xc:'#c03030' "$photos/album/a.jpg"
convert -size 800x600 xc:'#30c030' "$photos/album/b.jpg"
# A folder without end: two links back to itself under every folder, as a
# drive root or a network share can feel.
mkdir -p "$photos/endless"
cp "$photos/album/a.jpg" "$photos/endless/"
ln -s . "$photos/endless/again"
ln -s . "$photos/endless/more"
scr="$(pw_winpath "$SCR")"

fresh_settings() {
    reg_reset
    reg_set Path "$(pw_winpath "$ASSETS")"
    reg_set Delay 7000
    reg_set_folder 1 "$photos/album"
}
fresh_settings
# Settings saved once: the window opens on the General tab.
run_driver first-start <<EOF
start $scr /c
wait-main
expect-active
post-click 16
wait-exit 0
EOF
# What the user set; the run statistics change with every start.
# (A preview also records its last picture, "Prev", and what it found out
# about the display.)
settings_now() { reg_snapshot | grep -vE '^(count|er|uer|uwer|win|prever|ser|ver|driver|pathdata|pathind|Prev|event|vsync)='; }
saved="$(settings_now)"

# --- Tab order, arrows in the groups, Ctrl+Tab, Escape ---------------------
run_driver keys <<EOF
start $scr /c
wait-main
expect-active
expect-tab 0
expect-focus 27
xkeys Tab
expect-focus 15@Edit
xkeys Tab
expect-focus 28
xkeys Tab
expect-focus 33
# The arrows move the choice inside its group, round at the ends, and never
# out of the group.
xkeys Up
expect-focus 35
expect-checked 35
xkeys Up
expect-focus 32
expect-checked 32
xkeys Up
expect-focus 33
xkeys Down
expect-focus 32
xkeys Tab
expect-focus 42
xkeys Down
expect-focus 42
xkeys Tab
expect-focus 34
xkeys Up
expect-focus 34
xkeys Tab
expect-focus 69
xkeys Down
expect-focus 70
expect-checked 70
expect-unchecked 69
xkeys Down
expect-focus 67
expect-checked 67
expect-unchecked 70
xkeys Down Down
expect-focus 69
xkeys Tab
expect-focus "=Use arrow keys"
xkeys Down
expect-focus "=Use arrow keys"
xkeys Up
expect-focus "=Use arrow keys"
xkeys Tab
expect-focus ^Spacebar
xkeys Tab Tab
expect-focus "=Exit on mouse move"
xkeys Down
expect-focus "=Exit on mouse move"
xkeys Tab
expect-focus 75
xkeys Tab
expect-focus 20@Edit
xkeys Tab
expect-focus 29
xkeys Tab
expect-focus 56
xkeys Tab
expect-focus 76
xkeys Tab
expect-focus 16
xkeys Tab
expect-focus 17
xkeys Tab
expect-focus 26
xkeys Tab
expect-focus 27
xkeys shift+Tab
expect-focus 26
xkeys ctrl+Tab
expect-tab 1
xkeys ctrl+Tab
expect-tab 2
xkeys ctrl+Tab
expect-tab 0
xkeys ctrl+shift+Tab
expect-tab 2
xkeys Escape
wait-exit 0
EOF
expect_eq "keys and Escape saved nothing" "$saved" "$(settings_now)"

# --- Enter on each button; only OK saves ----------------------------------
run_driver buttons <<EOF
start $scr /c
wait-main
expect-active
set-text 15@Edit 9
# Font: the dialog opens, Escape closes it, the focus is back on the button.
# ("Show file name" first: the caption's controls follow it.)
tab-to 56
xkeys space
expect-checked 56
tab-to 55
xkeys Return
wait-dialog Font
xkeys Escape
wait-dialog-gone
expect-focus 55
# Preview: the show runs, a key ends it, the focus is back on the button.
tab-to 26
xkeys Return
wait-window DERU_Pagewind
sleep 1500
key-window DERU_Pagewind 27
wait-window-gone DERU_Pagewind 30
expect-active
expect-focus 26
# The Photos tab: Add folder and Add photo open their dialogs, Escape closes
# them; the focus comes back.
tab 1
wait-tree-count 54 1
tab-to 4
xkeys Return
wait-dialog
xkeys Escape
wait-dialog-gone
expect-focus 4
tab-to 63
xkeys Return
wait-dialog
xkeys Escape
wait-dialog-gone
expect-focus 63
# Remove takes the selected folder from the list (not from the disk).
tree-select 54 0
tab-to 5
xkeys Return
expect-tree-count 54 0
# Cancel on Enter discards all of it.
tab-to 17
xkeys Return
wait-exit 0
EOF
expect_eq "Enter on Font, Preview, Add folder, Add photo, Remove and Cancel saved nothing" "$saved" "$(settings_now)"

run_driver ok <<EOF
start $scr /c
wait-main
expect-active
set-text 15@Edit 9
tab-to 16
xkeys Return
wait-exit 0
EOF
expect_eq "Enter on OK saves" 9000 "$(reg_get Delay)"

# --- A folder that takes for ever to read ----------------------------------
fresh_settings
run_driver endless <<EOF
start $scr /c
wait-main
expect-active
tab 1
wait-tree-count 54 1
tab-to 4
xkeys Return
wait-dialog
dialog-tree-select "Desktop/My Computer/(C:)/pw-e2e-keyboard/endless"
dialog-click 1@Button
wait-dialog-gone
wait-text child:*properties:0 "Reading...*" 10
# A click on OK meanwhile runs nothing; the window goes on answering.
click 16
expect-responsive 3 2000
xkeys Escape
expect-responsive 1 2000
# Escape reaches the window through the X server, behind the driver's own
# messages: the read has stopped once its progress is gone.
wait-text-gone child:*properties:0 "Reading...*" 10
expect-tree-count 54 1
# The window works as before: OK saves (the endless folder is not added).
post-click 16
wait-exit 0
EOF
expect_eq "no crash report from the long read" 0 "$(report_count)"

reg_reset
finish
