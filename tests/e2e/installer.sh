#!/usr/bin/env bash
# The setup program as an administrator and a user meet it: a silent
# installation puts this target's Pagewind.scr with its page background into
# Program Files, records "Path" for the program and makes it the screen saver;
# the installed program then shows the album; installing again keeps the
# user's settings and picture list; a silent uninstallation takes the program,
# its keys and the screen-saver choice away and keeps the picture list. The
# elevated copy that does the administrator's part leaves the user's keys
# alone. A running program is not replaced, and a silent uninstallation
# leaves it for the next restart. Then the same through the pages: the
# finish page's option opens the settings window; the uninstaller asks to
# close it (Cancel changes nothing, Retry goes on), and its question removes
# the program's files from the data folder when answered yes.
set -u
PW_WIN_TARGET="$1"
SETUP="$2"
BUILT_SCR="$3"   # the build's own Pagewind.scr, which must be the one installed
ASSETS="$4"
VERSION="$5"
PROBE="$6"       # dialog_probe.exe: waits for the pages and messages
SETUP64_TEST="${7:-}"  # the same setup program built as a 64-bit program (win64 only)
source "$(dirname "$0")/lib.sh"

# The setup program is 32-bit, also where it installs the 64-bit build. Where
# 32-bit code cannot run, its 64-bit test build takes the same steps.
if ! pw_can_run_32bit; then
    if [ "$PW_WIN_TARGET" != win64 ] || [ -z "$SETUP64_TEST" ]; then
        echo "SKIPPED: the setup program is a 32-bit program and this machine cannot run 32-bit code"
        exit 77
    fi
    echo "note: this machine cannot run 32-bit code: testing the setup program's 64-bit test build"
    SETUP="$SETUP64_TEST"
fi
if [ ! -f "$SETUP" ]; then
    echo "FAIL: no setup program at $SETUP (cmake --build --preset $PW_WIN_TARGET --target setup)"
    exit 1
fi

DESKTOP='HKCU\Control Panel\Desktop'
MACHINE_KEY='HKLM\Software\Quillora\Pagewind'
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pagewind'
GDIPLUS_KEY='HKCU\Software\in_gdiplus'
PENDING_KEY='HKLM\System\CurrentControlSet\Control\Session Manager'
C="$WINEPREFIX/drive_c"
INSTALLED="$C/Program Files/Pagewind"
work="$(mktemp -d)"

# The processes of this prefix that run the installed program.
installed_program_pids() {
    local p
    for p in /proc/[0-9]*; do
        { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | grep -qi 'Program Files\\Pagewind\\Pagewind\.scr' || continue
        { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "${p#/proc/}"
    done
}
program_running() { [ -n "$(installed_program_pids)" ]; }

# Whatever an earlier run or a failure left: no installation, no keys, no
# screen saver, no files waiting for a restart, so that the other tests in
# this prefix start as they expect.
forget_installation() {
    # A setup or uninstaller window that a failed step left waiting, and the
    # installed program's settings window.
    local w pid
    for w in $(xdotool search --name '^Pagewind (Setup|Uninstall)' 2>/dev/null); do
        pid="$(xdotool getwindowpid "$w" 2>/dev/null)"
        if [ -n "$pid" ]; then kill "$pid" 2>/dev/null; fi
    done
    for pid in $(installed_program_pids); do kill "$pid" 2>/dev/null; done
    pw_wine reg delete "$PENDING_KEY" /v PendingFileRenameOperations /f >/dev/null 2>&1
    rm -rf "$INSTALLED" "$C/Program Files (x86)/Pagewind"
    for view in 32 64; do
        pw_wine reg delete "$MACHINE_KEY" /reg:$view /f >/dev/null 2>&1
        pw_wine reg delete "$UNINSTALL_KEY" /reg:$view /f >/dev/null 2>&1
    done
    pw_wine reg delete "$DESKTOP" /v SCRNSAVE.EXE /f >/dev/null 2>&1
    pw_wine reg delete "$GDIPLUS_KEY" /f >/dev/null 2>&1
    reg_reset
    rm -rf "$C"/users/*/AppData/Roaming/Pagewind
}
trap 'forget_installation; rm -rf "$work"' EXIT
forget_installation

key_exists() { pw_wine reg query "$1" >/dev/null 2>&1 && echo yes || echo no; }
# The machine type in a program's PE header: 014c for x86, 8664 for x86-64.
pe_machine() {
    local pe
    pe="$(od -An -tu4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')"
    [ -n "$pe" ] && od -An -tx2 -j $((pe + 4)) -N 2 "$1" | tr -d ' '
}
case "$PW_WIN_TARGET" in win32) machine=014c ;; win64) machine=8664 ;; esac
unix_of() { pw_wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }
same_file() { [ -n "$1" ] && [ -n "$2" ] && [ "$(stat -L -c %d:%i "$1" 2>/dev/null)" = "$(stat -L -c %d:%i "$2" 2>/dev/null)" ]; }
check() {  # what, command...
    local what="$1"
    shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; FAILURES=$((FAILURES + 1)); fi
}
# Waits up to SECONDS for a command to succeed.
wait_until() {  # seconds, command...
    local tries=$(($1 * 5))
    shift
    for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.2; done
    return 1
}
run_setup() { timeout 120 "$PW_WINE" "$EXIT_CODE_HOST" "$(pw_winpath "$SETUP")" "$@" >/dev/null 2>&1; echo $?; }
folder_gone() { [ ! -e "$INSTALLED" ]; }
without_spaces() { [ -n "$1" ] && [[ "$1" != *" "* ]]; }
run_ended() { [ "$(reg_get win)" = 0 ]; }
# The files the program writes into its data folder: the picture list and the
# one being written, the wallpaper, crash reports and the proof of the
# folder's last choice ("pathdata": a value and the number of the file that
# holds it, four bytes little-endian).
PROGRAM_FILES="piclist.dat piclist.dat.new Pagewind.bmp BugReport.html BugReport417.html 4321"
program_files_into() {  # folder
    mkdir -p "$1"
    local f
    for f in $PROGRAM_FILES; do echo "$f" >"$1/$f"; done
    printf '\x15\xcd\x5b\x07' >"$1/4321"
    reg_set pathdata 123456789,4321
}
# Files of the user's own in the same folder, some with names like the
# program's: none of them is the program's.
USER_FILES="notes.txt BugReport-mine.html 77 Holiday/a.jpg"
user_files_into() {  # folder
    local f
    for f in $USER_FILES; do mkdir -p "$(dirname "$1/$f")" && echo "$f" >"$1/$f"; done
}
# True when none (all_there: all) of the files named is in the folder;
# prints the ones that are not as expected.
none_left() {  # folder, names...
    local folder="$1" f left=""
    shift
    for f in "$@"; do [ ! -e "$folder/$f" ] || left="$left $f"; done
    [ -z "$left" ] || echo "  still there:$left"
    [ -z "$left" ]
}
all_there() {  # folder, names...
    local folder="$1" f gone=""
    shift
    for f in "$@"; do [ -e "$folder/$f" ] || gone="$gone $f"; done
    [ -z "$gone" ] || echo "  gone:$gone"
    [ -z "$gone" ]
}

# --- Silent installation ----------------------------------------------------
expect_eq "silent installation exit code" 0 "$(run_setup /S)"
check "the installed Pagewind.scr is this build's" cmp -s "$BUILT_SCR" "$INSTALLED/Pagewind.scr"
expect_eq "a $PW_WIN_TARGET program" "$machine" "$(pe_machine "$INSTALLED/Pagewind.scr")"
check "back.jpg beside it" cmp -s "$ASSETS/back.jpg" "$INSTALLED/back.jpg"
for dll in In_heif.dll libheif.dll libde265.dll; do
    check "this build's $dll beside it" cmp -s "$(dirname "$BUILT_SCR")/$dll" "$INSTALLED/$dll"
done
# The libraries' licence texts, as a Windows user reads them: every line
# ends in CR LF.
windows_text() { [ -s "$1" ] && [ "$(grep -c $'\r$' "$1")" = "$(wc -l <"$1")" ]; }
for text in libheif libde265 dav1d libwebp libjpeg-turbo lcms2 zlib mingw-w64 GPL-3; do
    check "this build's $text.txt has Windows line endings" windows_text "$(dirname "$BUILT_SCR")/Licences/$text.txt"
    check "$text.txt installed in Licences" cmp -s "$(dirname "$BUILT_SCR")/Licences/$text.txt" "$INSTALLED/Licences/$text.txt"
done
# winpthreads, which every program carries, has its licence among the
# runtime's.
check "mingw-w64.txt has winpthreads' licence" grep -q 'winpthreads' "$INSTALLED/Licences/mingw-w64.txt"
check "lcms2.txt is Little CMS's licence" grep -q 'Little CMS' "$INSTALLED/Licences/lcms2.txt"
check "zlib.txt is zlib's licence" grep -q 'Jean-loup Gailly' "$INSTALLED/Licences/zlib.txt"
check "a Photos folder" test -d "$INSTALLED/Photos"
check "nothing in the 32-bit Program Files" test ! -e "$C/Program Files (x86)/Pagewind"
expect_eq "\"Path\" for the current user" 'C:\Program Files\Pagewind' "$(reg_get Path)"
expect_eq "\"Path\" for the machine" 'C:\Program Files\Pagewind' "$(reg_value "$MACHINE_KEY" Path)"
saver="$(reg_value "$DESKTOP" SCRNSAVE.EXE)"
check "the screen saver is the installed program" same_file "$(unix_of "$saver")" "$INSTALLED/Pagewind.scr"
check "named by its short path ($saver)" without_spaces "$saver"
expect_eq "the screen saver is active" 1 "$(reg_value "$DESKTOP" ScreenSaveActive)"
expect_eq "a silent installation opens no settings window (no run counted)" "" "$(reg_get count)"
expect_eq "listed as installed" Pagewind "$(reg_value "$UNINSTALL_KEY" DisplayName)"
expect_eq "with its version" "$VERSION" "$(reg_value "$UNINSTALL_KEY" DisplayVersion)"
check "and the program's icon" same_file "$(unix_of "$(reg_value "$UNINSTALL_KEY" DisplayIcon | sed 's/,0$//')")" \
    "$INSTALLED/Pagewind.scr"
uninstaller="$(reg_value "$UNINSTALL_KEY" UninstallString | tr -d '"')"
check "its uninstaller is there" same_file "$(unix_of "$uninstaller")" "$INSTALLED/uninstall.exe"

# --- The installed program shows the album ------------------------------------
# Only "Path" tells it where it is: the paper comes from the installed
# back.jpg, and without "Path" a message box would stop the show.
mkdir -p "$work/photos"
convert -size 1200x900 xc:'#d02020' "$work/photos/a.jpg"
reg_set_folder 1 "$work/photos"
reg_set Delay 1000
reg_set Convert 800
SCR="$INSTALLED/Pagewind.scr"
if start_show && expect_show "spread prepared"; then
    screenshot "$work/show.png"
    expect_at_least "the photo on the pages (%)" 20 "$(colour_share "$work/show.png" '#d02020')"
    expect_at_least "the installed paper around it (%)" 10 "$(colour_share "$work/show.png" '#d5caaf')"
    show_key Escape
    expect_eq "the show ends with exit code 0" 0 "$(show_exit_code 20)"
else
    echo "FAIL: the installed program's show never appeared (it said: $(tr -d '\r' <"$SHOW_LOG" | tail -n 5);" \
        "its exit code: $(show_exit_code 1))"
    FAILURES=$((FAILURES + 1))
fi

# The program chose its data folder; the user's picture list lives there.
expect_eq "the data folder is the first candidate" 1 "$(reg_get pathind)"
# The GDI+ plugin's settings, which the program writes where it must search
# for gdiplus.dll (Wine has one where the program looks first).
gdiplus_settings() { pw_wine reg add "$GDIPLUS_KEY" /v NetVer /t REG_SZ /d 0 /f >/dev/null 2>&1; }
gdiplus_settings
data="$(unix_of "$(reg_value 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' AppData)")/Pagewind"
head -c 3000 /dev/urandom >"$data/piclist.dat"
list_sum="$(md5sum <"$data/piclist.dat")"

# --- Installing again ---------------------------------------------------------
reg_set Delay 7000
expect_eq "installing again, exit code" 0 "$(run_setup /S)"
expect_eq "keeps the user's settings" 7000 "$(reg_get Delay)"
expect_eq "keeps the configured folders" 1 "$(pw_wine reg query "$KEY\\Folders" 2>/dev/null | grep -c REG_SZ)"
expect_eq "keeps the picture list" "$list_sum" "$(md5sum <"$data/piclist.dat" 2>/dev/null)"
expect_eq "\"Path\" still recorded" 'C:\Program Files\Pagewind' "$(reg_get Path)"
check "the program still there" cmp -s "$BUILT_SCR" "$INSTALLED/Pagewind.scr"

# --- Silent uninstallation -------------------------------------------------------
# The uninstaller goes on from a copy of itself and returns at once.
expect_eq "silent uninstallation exit code" 0 "$(timeout 60 "$PW_WINE" "$EXIT_CODE_HOST" "$uninstaller" /S >/dev/null 2>&1; echo $?)"
check "the installation folder is gone" wait_until 30 folder_gone
expect_eq "the machine's key is gone" no "$(key_exists "$MACHINE_KEY")"
expect_eq "the user's key is gone" no "$(key_exists "$KEY")"
expect_eq "and the GDI+ plugin's" no "$(key_exists "$GDIPLUS_KEY")"
expect_eq "no longer listed as installed" no "$(key_exists "$UNINSTALL_KEY")"
expect_eq "no screen saver left pointing at it" "" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)"
expect_eq "the picture list stays (silent)" "$list_sum" "$(md5sum <"$data/piclist.dat" 2>/dev/null)"

# --- Helpers for the parts that follow -------------------------------------------
window_of() { xdotool search --name "$1" 2>/dev/null | tail -1; }
# Gives the window the keyboard, then presses the key through the X server,
# down and up. (Sent to a named window, xdotool picks each half's route by
# where the focus is at that moment: a page that closes on the key going down
# gets its release sent to the closed window, the server is left holding the
# key, and its repeats then press every window that comes next.)
press() { focus_window "$1" && xdotool key "$2" 2>/dev/null; }
has_window() { [ -n "$(window_of "$1")" ]; }
uninstall_key_written() { [ "$(key_exists "$UNINSTALL_KEY")" = yes ]; }
no_window() { ! has_window "$1"; }
probe() {  # dialog_probe's arguments; what it saw is printed when it fails
    local code
    "$PW_WINE" "$(pw_winpath "$PROBE")" "$@" >"$work/probe.out" 2>/dev/null
    code=$?
    [ "$code" -eq 0 ] || tr -d '\r' <"$work/probe.out" | sed 's/^/  /'
    return "$code"
}
page() { probe wait-button "$1" 1 "$2"; }   # window title, Next button's text
IDYES=6
IDCANCEL=2
IDRETRY=4
# What Windows is to remove when it restarts, as "|PATH|PATH|" (empty when
# nothing): the value lists pairs of names, a removal having an empty second.
pending_removals() {
    local names
    names="$(pw_wine reg query "$PENDING_KEY" /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *PendingFileRenameOperations *REG_MULTI_SZ *//p' | sed 's/\\0/\n/g' |
        sed -n 's/^\\??\\//p' | tr '\n' '|')"
    [ -z "$names" ] || echo "|$names"
}
# Those in the installation folder (the uninstaller's working copy marks
# itself too).
pending_here() { pending_removals | tr '|' '\n' | grep -i '^C:\\Program Files\\Pagewind' | tr '\n' '|'; }
# The settings window of the installed program, as the display settings open
# it; open_settings waits until it is on the display, close_settings until
# its process has ended (only then may its file go).
open_settings() {
    ("$PW_WINE" 'C:\Program Files\Pagewind\Pagewind.scr' /c >/dev/null 2>&1 &)
    wait_for_window '^Pagewind$'
}
close_settings() {
    focus_window '^Pagewind$' && xdotool key Escape
    wait_until 20 program_ended
}
program_ended() { ! program_running; }

# --- The administrator's part alone -----------------------------------------------
# Where the pages run as the user who started the setup program, a copy of it
# that Windows starts with administrator rights installs the program (/S
# /MACHINE). It must leave the user's settings to the pages: with the
# administrator's password typed in over a user's shoulder, its HKCU is the
# administrator's, not the user's.
reg_reset
reg_set Delay 4321
pw_wine reg add "$DESKTOP" /v SCRNSAVE.EXE /t REG_SZ /d 'C:\Other.scr' /f >/dev/null 2>&1
gdiplus_settings
expect_eq "the administrator's part, exit code" 0 "$(run_setup /S /MACHINE '/D=C:\Program Files\Pagewind')"
check "installs the program" cmp -s "$BUILT_SCR" "$INSTALLED/Pagewind.scr"
expect_eq "records \"Path\" for the machine" 'C:\Program Files\Pagewind' "$(reg_value "$MACHINE_KEY" Path)"
expect_eq "and lists it as installed" Pagewind "$(reg_value "$UNINSTALL_KEY" DisplayName)"
expect_eq "but leaves the user's \"Path\" to the pages" "" "$(reg_get Path)"
expect_eq "and the user's screen saver" 'C:\Other.scr' "$(reg_value "$DESKTOP" SCRNSAVE.EXE)"
# The uninstaller's, which the pages run from their copy of the uninstaller.
cp "$INSTALLED/uninstall.exe" "$work/uninstall-copy.exe"
reg_set Path 'C:\Program Files\Pagewind'
pw_wine reg add "$DESKTOP" /v SCRNSAVE.EXE /t REG_SZ /d 'C:\Program Files\Pagewind\Pagewind.scr' /f >/dev/null 2>&1
expect_eq "the uninstaller's administrator part, exit code" 0 \
    "$(timeout 60 "$PW_WINE" "$EXIT_CODE_HOST" "$(pw_winpath "$work/uninstall-copy.exe")" /S /MACHINE \
        '_?=C:\Program Files\Pagewind' >/dev/null 2>&1; echo $?)"
check "removes the installation" folder_gone
expect_eq "and its list entry" no "$(key_exists "$UNINSTALL_KEY")"
user_keys_kept() { [ "$(reg_get Delay)" = 4321 ] && [ -n "$(reg_get Path)" ] && [ "$(key_exists "$GDIPLUS_KEY")" = yes ]; }
check "but leaves the user's keys to the pages" user_keys_kept
expect_eq "and the user's screen saver" 'C:\Program Files\Pagewind\Pagewind.scr' "$(reg_value "$DESKTOP" SCRNSAVE.EXE)"
pw_wine reg delete "$DESKTOP" /v SCRNSAVE.EXE /f >/dev/null 2>&1
reg_reset

# --- While the program runs -------------------------------------------------------
# Windows keeps a running program's file. Installing over it stops before it
# changed anything; a silent uninstallation leaves the file and its folder
# for Windows to remove at the next restart.
expect_eq "installing, exit code" 0 "$(run_setup /S /NOSAVER)"
check "the settings window open" open_settings
touch -d '2001-01-01' "$INSTALLED/Pagewind.scr"
stamp="$(stat -c %Y "$INSTALLED/Pagewind.scr")"
expect_eq "installing again over the running program fails" 2 "$(run_setup /S /NOSAVER)"
expect_eq "and leaves it as it was" "$stamp" "$(stat -c %Y "$INSTALLED/Pagewind.scr" 2>/dev/null)"
# Through the pages the setup program asks to close it; Cancel changes nothing.
(run_setup >"$work/setup_code") &
check "the setup program's welcome page" page 'Pagewind Setup' '&Next >'
press 'Pagewind Setup' Return
check "its folder page" page 'Pagewind Setup' '&Install'
press 'Pagewind Setup' Return
check "it asks to close the running program" probe wait-message 'Pagewind Setup' 'Close it'
probe answer 'Pagewind Setup' 'Close it' $IDCANCEL
check "Cancel stops the installation" probe wait-message 'Pagewind Setup' 'not installed: it is running'
probe answer 'Pagewind Setup' 'not installed: it is running' $IDCANCEL
check "and the setup program ends" wait_until 30 test -s "$work/setup_code"
expect_eq "with exit code 2" 2 "$(cat "$work/setup_code")"
expect_eq "leaving the program as it was" "$stamp" "$(stat -c %Y "$INSTALLED/Pagewind.scr" 2>/dev/null)"
rm -f "$work/setup_code"
expect_eq "silent uninstallation, exit code" 0 \
    "$(timeout 60 "$PW_WINE" "$EXIT_CODE_HOST" "$INSTALLED/uninstall.exe" /S >/dev/null 2>&1; echo $?)"
uninstall_key_gone() { [ "$(key_exists "$UNINSTALL_KEY")" = no ]; }
check "removes the list entry" wait_until 30 uninstall_key_gone
program_pending() { [[ "$(pending_removals)" == *'|C:\Program Files\Pagewind\Pagewind.scr|'* ]]; }
check "and marks the running program for removal at restart" wait_until 10 program_pending
folder_pending() { [[ "$(pending_removals)" =~ \|C:\\Program\ Files\\Pagewind\\?\| ]]; }
check "with its folder" wait_until 10 folder_pending
check "back.jpg is gone already" wait_until 10 test ! -e "$INSTALLED/back.jpg"
check "the settings window closes" close_settings
pw_wine reg delete "$PENDING_KEY" /v PendingFileRenameOperations /f >/dev/null 2>&1
rm -rf "$INSTALLED"

# --- Through the pages ------------------------------------------------------------
# Enter takes each page's default button: Next, Install, Finish with its
# option on. Each key waits until the page that takes it is on screen (its
# Next button reads so), and the answers to message boxes are given to the
# box that asks.
reg_reset
(run_setup >"$work/setup_code") &
check "the setup program's welcome page" page 'Pagewind Setup' '&Next >'
press 'Pagewind Setup' Return
check "its folder page" page 'Pagewind Setup' '&Install'
press 'Pagewind Setup' Return
check "the pages install the program" wait_until 30 uninstall_key_written
expect_eq "the screen saver waits for the finish page" "" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)"
check "its finish page" page 'Pagewind Setup' '&Finish'
expect_eq "the pages record \"Path\" for the user" 'C:\Program Files\Pagewind' "$(reg_get Path)"
press 'Pagewind Setup' Return
wait_until 30 test -s "$work/setup_code"
expect_eq "setup exit code" 0 "$(cat "$work/setup_code")"
check "the finish page's option makes it the screen saver" \
    same_file "$(unix_of "$(reg_value "$DESKTOP" SCRNSAVE.EXE)")" "$INSTALLED/Pagewind.scr"
check "and opens its settings window" wait_for_window '^Pagewind$'
check "which has the keyboard" focus_window '^Pagewind$'

# Uninstalling while the settings window is open: the uninstaller asks to
# close it. Cancel leaves everything as it was.
uninstaller="$(reg_value "$UNINSTALL_KEY" UninstallString | tr -d '"')"
start_uninstaller() {  # as the list of installed programs starts it
    timeout 60 "$PW_WINE" "$EXIT_CODE_HOST" "$uninstaller" >/dev/null 2>&1
    check "the uninstaller's page" page 'Pagewind Uninstall' '&Uninstall'
    press 'Pagewind Uninstall' Return
}
reg_set pathind 1
program_files_into "$data"
user_files_into "$data"
gdiplus_settings
start_uninstaller
check "it asks to close the running program" probe wait-message 'Pagewind Uninstall' 'Close it'
probe answer 'Pagewind Uninstall' 'Close it' $IDCANCEL
check "Cancel ends the uninstallation" probe wait-message 'Pagewind Uninstall' 'not removed: it is running'
check "with the program still there" test -e "$INSTALLED/Pagewind.scr" -a -e "$INSTALLED/back.jpg" \
    -a -e "$INSTALLED/uninstall.exe"
expect_eq "still listed as installed" yes "$(key_exists "$UNINSTALL_KEY")"
expect_eq "the user's key kept" 'C:\Program Files\Pagewind' "$(reg_get Path)"
check "the data kept" all_there "$data" $PROGRAM_FILES
expect_eq "nothing left for a restart" "" "$(pending_here)"
probe answer 'Pagewind Uninstall' 'not removed: it is running' $IDCANCEL
check "the uninstaller closes" wait_until 20 no_window 'Pagewind Uninstall'

# Again; this time the window is closed and Retry goes on. The user may have
# chosen a data folder with files of their own: yes removes only what the
# program wrote there.
start_uninstaller
check "it asks again" probe wait-message 'Pagewind Uninstall' 'Close it'
check "Escape closes the settings window" close_settings
probe answer 'Pagewind Uninstall' 'Close it' $IDRETRY
check "Retry goes on to the picture list" probe wait-message 'Pagewind Uninstall' 'picture list'
probe answer 'Pagewind Uninstall' 'picture list' $IDYES
check "the uninstaller's last page" page 'Pagewind Uninstall' '&Close'
check "the installation folder is gone" folder_gone
expect_eq "nothing left for a restart" "" "$(pending_here)"
press 'Pagewind Uninstall' Return
check "the uninstaller closes" wait_until 20 no_window 'Pagewind Uninstall'
check "yes removes the files the program wrote" none_left "$data" $PROGRAM_FILES
check "and keeps the user's own" all_there "$data" $USER_FILES
expect_eq "the user's key is gone" no "$(key_exists "$KEY")"
expect_eq "and the GDI+ plugin's" no "$(key_exists "$GDIPLUS_KEY")"
expect_eq "no screen saver left pointing at it" "" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)"

# A data folder that holds nothing else goes with the program's files.
rm -rf "$data"
expect_eq "installing once more, exit code" 0 "$(run_setup /S /NOSAVER)"
reg_set pathind 1
program_files_into "$data"
start_uninstaller
check "it asks about the picture list" probe wait-message 'Pagewind Uninstall' 'picture list'
probe answer 'Pagewind Uninstall' 'picture list' $IDYES
check "the uninstaller's last page" page 'Pagewind Uninstall' '&Close'
press 'Pagewind Uninstall' Return
check "the uninstaller closes" wait_until 20 no_window 'Pagewind Uninstall'
check "yes removes the data folder that only the program used" test ! -e "$data"
check "and the installation folder" folder_gone

finish
