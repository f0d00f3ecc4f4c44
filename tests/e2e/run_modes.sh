#!/usr/bin/env bash
# Command-line modes of Pagewind.scr and their effects on the registry.
set -u
PW_WIN_TARGET="$1"
SCR="$2"
PREVIEW_HOST="$3"
MPR_STANDIN="$4"
source "$(dirname "$0")/lib.sh"

reg_reset
expect_eq "/x exit code" 0 "$(run_scr /x)"
expect_eq "/x leaves win 0" 0 "$(reg_get win)"
expect_eq "/x writes the version" 1.4.1.1 "$(reg_get ver)"
expect_eq "/x counts the run" 1 "$(reg_get count)"
expect_eq "/x writes the statistics code" 001 "$(reg_get ser)"

expect_eq "/p without a handle exit code" 0 "$(run_scr /p)"
expect_eq "/p without a handle leaves win 0" 0 "$(reg_get win)"
expect_eq "/p counts the run" 2 "$(reg_get count)"

expect_eq "/p with a dead window exit code" 0 "$(run_scr /p 987654)"
expect_eq "/show exit code" 0 "$(run_scr /show)"
expect_eq "/a with MPR.DLL exit code" 0 "$(run_scr /a 1234)"

# /a hands its parent window to MPR.DLL's password-change entry: a stand-in
# beside the program records the call.
standin="$(mktemp -d)"
cp "$SCR" "$standin/Pagewind.scr"
cp "$MPR_STANDIN" "$standin/MPR.DLL"
run_with_standin() {
    (SCR="$standin/Pagewind.scr"; export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mpr=n,b"; run_scr "$@")
}
expect_eq "/a exit code" 0 "$(run_with_standin /a 1234)"
expect_eq "/a calls PwdChangePasswordA with its parent" "SCRSAVE 1234" "$(tr -d '\r' <"$standin/mpr_call.txt" 2>/dev/null)"
rm -f "$standin/mpr_call.txt"
expect_eq "/a:HANDLE exit code" 0 "$(run_with_standin /a:-2147409084)"
expect_eq "a handle with bit 31 set arrives whole" "SCRSAVE -2147409084" "$(tr -d '\r' <"$standin/mpr_call.txt" 2>/dev/null)"
rm -rf "$standin"
expect_eq "runs counted" 7 "$(reg_get count)"

# A run that died before its window is counted as unclean by the next start.
reg_set win -1
expect_eq "start after an unclean end" 0 "$(run_scr /x)"
expect_eq "uwer counts it" 1 "$(reg_get uwer)"
expect_eq "prever is cleared at the clean end" 0 "$(reg_get prever)"

# The run-settings request turns one show into the settings window. Shows
# need an installation folder ("Path").
install="$(mktemp -d)"
reg_set Path "$(pw_winpath "$install")"
reg_set RunSettings "1 "
if start_show && expect_show "first frame"; then echo "ok: '1 ' starts the show"; else echo "FAIL: '1 ' did not start the show"; FAILURES=$((FAILURES + 1)); fi
show_key Escape
expect_eq "the show ends on a key" 0 "$(show_exit_code 20)"
expect_eq "'1 ' is not a request" "1 " "$(reg_get RunSettings)"
# Starts the program with the switch, waits for the settings window, gives it
# the keyboard and types the xdotool key names; prints the exit code.
settings_keys() {
    local switch="$1" code
    shift
    code="$(mktemp)"
    (run_scr "$switch" >"$code") &
    if wait_for_window '^Pagewind$' && focus_window '^Pagewind$'; then
        xdotool key "$@"
    fi
    wait
    cat "$code"
    rm -f "$code"
}
reg_set RunSettings 1
delay_before="$(reg_get Delay)"
expect_eq "/s with the request opens the settings window, Escape closes it" 0 "$(settings_keys /s Escape)"
expect_eq "Escape saves nothing" "$delay_before" "$(reg_get Delay)"
expect_eq "the request is deleted" "" "$(reg_get RunSettings)"
# Tab goes from the tabs to the first control, the "Time delay" box, whose
# text it selects; Enter is "OK".
expect_eq "/c: Tab, 12, Enter" 0 "$(settings_keys /c Tab 1 2 Return)"
expect_eq "Enter saved the typed delay" 12000 "$(reg_get Delay)"
reg_set RunSettings 1
run_scr /p >/dev/null
expect_eq "a preview leaves the request alone" 1 "$(reg_get RunSettings)"

# The first preview presses the dialog's settings button, until settings
# have been saved once. The preview fills its area and ends with it.
reg_reset
reg_set Path "$(pw_winpath "$install")"
timeout 120 "$PW_WINE" "$PREVIEW_HOST" "$SCR" 1 >/dev/null 2>&1
expect_eq "first preview clicks button 1003" 0 "$?"
reg_set Delay 5000
timeout 120 "$PW_WINE" "$PREVIEW_HOST" "$SCR" 0 >/dev/null 2>&1
expect_eq "no click once settings were saved" 0 "$?"
# Odd sizes: halves of unequal width; an area too small for pages shows
# nothing; a preview window that is no window at all. None of them is a
# failure to report.
timeout 120 "$PW_WINE" "$PREVIEW_HOST" "$SCR" 0 181 141 >/dev/null 2>&1
expect_eq "a 181 x 141 preview runs and ends with its host" 0 "$?"
timeout 120 "$PW_WINE" "$PREVIEW_HOST" "$SCR" 0 3 1 0 >/dev/null 2>&1
expect_eq "a 3 x 1 preview shows nothing and ends with its host" 0 "$?"
expect_eq "a preview of no window ends at once" 0 "$(run_scr /p 1234567)"
expect_eq "none of them made a crash report" 0 "$(report_count)"

# A version change resets the counters.
reg_set ver 1.0.0.0
reg_set count 40
run_scr /x >/dev/null
expect_eq "version change resets count" 1 "$(reg_get count)"
expect_eq "version rewritten" 1.4.1.1 "$(reg_get ver)"

rm -rf "$install"
reg_reset
finish
