#!/usr/bin/env bash
# The crash report of a program that fails in a known way (crash_host): the
# page's lines, the numbered name beside an earlier report, the viewer
# started as the Windows folder's explorer.exe with the wait rule (never an
# explorer.exe in the program's or the current folder), exit code 217 and
# the count of error reports. The stand-in explorer.exe, put in the Windows
# folder for the test's duration, records how it was started and stays as
# long as told (or until crash_host has ended); the copy built beside
# crash_host must never be the one started.
set -u
PW_WIN_TARGET="$1"
HOST="$2"
OBJDUMP="$3"
EXPLORER_STANDIN="$4"
source "$(dirname "$0")/lib.sh"

work="$(mktemp -d)"
trap 'restore_explorer; rm -rf "$work"' EXIT
use_explorer_standin "$EXPLORER_STANDIN" || exit 1
export PW_EXPLORER_LOG
PW_EXPLORER_LOG="$(pw_winpath "$work/explorer.log")"
digits=16
first_register=RAX
if [ "$PW_WIN_TARGET" = win32 ]; then digits=8; first_register=EAX; fi
hex="[0-9A-F]{$digits}"

# The program's code section, from its headers.
header() { "$OBJDUMP" -p "$HOST" | awk -v name="$1" '$1 == name { print $2; exit }'; }
code_start=$((16#$(header ImageBase) + 16#$(header BaseOfCode)))
code_end=$((code_start + 16#$(header SizeOfCode)))
in_code() { local a=$((16#$1)); [ "$a" -ge "$code_start" ] && [ "$a" -lt "$code_end" ]; }

# Runs crash_host (HOST, from the folder CRASH_IN, default the current one)
# with the viewer staying $1 ms; sets code, elapsed, viewer (its command
# line), desktop, started (the path of the program started as the viewer)
# and report (the page's path as the viewer got it, as a Unix path).
crash() {
    local stay="$1"
    shift
    rm -f "$work/explorer.log"
    local start=$(date +%s%N)
    (cd "${CRASH_IN:-.}" && PW_EXPLORER_STAY_MS="$stay" timeout 120 "$PW_WINE" "$HOST" "$@" >/dev/null 2>&1)
    code=$?
    elapsed=$((($(date +%s%N) - start) / 1000000))
    # The viewer may still be starting when the program has ended.
    if [ "$code" = 217 ]; then
        for _ in $(seq 100); do [ -s "$work/explorer.log" ] && break; sleep 0.2; done
    fi
    viewer="$(head -n1 "$work/explorer.log" 2>/dev/null | tr -d '\r')"
    desktop="$(sed -n 2p "$work/explorer.log" 2>/dev/null | tr -d '\r')"
    started="$(sed -n 3p "$work/explorer.log" 2>/dev/null | tr -d '\r')"
    report="$(viewer_page "$viewer")"
}
line() { tr -d '\r' <"$report" | sed -n "s/^$1//p" | head -n1; }
has_line() {  # what, extended regular expression for a whole line
    if tr -d '\r' <"$report" | grep -Eq "^$2\$"; then echo "ok: $1"; else
        echo "FAIL: $1: no line matching '$2'"
        FAILURES=$((FAILURES + 1))
    fi
}

reg_reset

# A write to address 0 in the settings mode (no phase flags): the filter's
# report, with the viewer neither waited for nor anything closed.
crash 20000 write0 0
expect_eq "write to 0: exit code" 217 "$code"
expect_true "write to 0: the viewer is not waited for (${elapsed} ms)" test "$elapsed" -lt 15000
expect_true "the viewer is the Windows folder's explorer.exe with the page, both in quotes ($viewer)" \
    grep -Eiq '^"C:\\windows\\explorer\.exe" "[A-Z]:\\.*\\BugReport[0-9]*\.html"$' <<<"$viewer"
expect_true "the program started is the Windows folder's explorer.exe, not the one beside crash_host ($started)" \
    is_system_explorer "$started"
expect_eq "the viewer starts on the Default desktop" Default "$desktop"
expect_true "the report exists" test -f "$report"
folder="$(dirname "$report")"
labels="$(tr -d '\r' <"$report" | grep -Eo '^(Exception|null context|Exception class|Exception address|App mode|App version|System|Processor|Memory|Errstat|Worktime|OpenGL version|Hardware Aceleration|Graphics Accelerator|Resolution|Registers|ExceptionInfo|Frame|StackTrace|Raw stack dump):' | tr '\n' '|')"
expect_eq "the report's labels in their order" \
    "Exception:|Exception class:|Exception address:|App mode:|App version:|System:|Processor:|Memory:|Errstat:|Worktime:|OpenGL version:|Hardware Aceleration:|Graphics Accelerator:|Resolution:|Registers:|ExceptionInfo:|Frame:|StackTrace:|Raw stack dump:|" \
    "$labels"
has_line "the exception" "Exception: Access violation at address $hex\. Write of address 0{$digits}"
expect_eq "the exception class" AccessViolation "$(line 'Exception class: ')"
address="$(line 'Exception address: ')"
expect_true "the exception address $address lies in the program's code" in_code "$address"
has_line "the access" "ExceptionInfo: Error when write to 0{$digits}"
expect_eq "the app mode" 0 "$(line 'App mode: ')"
expect_eq "the app version" 1.4.1.1 "$(line 'App version: ')"
has_line "the system" 'System: Windows NT [0-9]+\.[0-9]+ Build: [0-9]+ .*'
has_line "the processor" 'Processor: ([0-9]+x )?.+, [0-9]+ MHz'
has_line "the memory" 'Memory: [0-9]+ of [0-9]+ MB, Allocated [0-9]+ \([0-9]+ of [0-9]+\) KB'
has_line "the run's time" 'Worktime: [0-9]+'
has_line "the screen" 'Resolution: [0-9]+x[0-9]+'
has_line "the registers of the build's width" \
    "${first_register}=$hex [A-Z]{3}=$hex [A-Z]{3}=$hex [A-Z]{3}=$hex [A-Z]{3}=$hex [A-Z]{3}=$hex [A-Z]{3}=$hex [A-Z]{3}=$hex"
has_line "the frame" "Frame: $hex"
trace="$(line 'StackTrace: ')"
has_line "the stack trace" "StackTrace: $hex(,$hex)*"
outside=0
for site in ${trace//,/ }; do in_code "$site" || outside=$((outside + 1)); done
expect_eq "stack trace entries outside the program's code" 0 "$outside"
dump="$(tr -d '\r' <"$report" | sed -n '/^Raw stack dump: $/,/^<\/TEXTAREA>/p' |
    grep -cE '^([0-9A-F]{2} ){8}- ([0-9A-F]{2} ){8}$')"
expect_eq "raw stack dump lines" 20 "$dump"
expect_true "the form posts to the report address" grep -q 'action="https://[^"]*/bugreport.php" method=post' "$report"
expect_eq "the report is counted" 1 "$(reg_get er)"
expect_eq "the run is no longer marked as running" 0 "$(reg_get win)"

# With earlier reports cleared, the next is BugReport.html; one more, with
# that still there, gets a numbered name and the first stays as it was.
rm -f "$folder"/BugReport*.html
crash 0 write0 0
expect_eq "the first report's name" "$folder/BugReport.html" "$report"
cp "$report" "$work/first.html"
crash 0 throw 0
expect_true "the next report gets a numbered name ($(basename "$report"))" \
    grep -Eq '/BugReport[0-9]{1,4}\.html$' <<<"$report"
expect_true "the first report is kept" cmp -s "$folder/BugReport.html" "$work/first.html"

# A C++ exception caught by the top-level handler: its throw's address and a
# back trace, no processor context, no OpenGL lines (flag 32).
expect_eq "top-level handler: exit code" 217 "$code"
expect_eq "the exception's message" "the picture list is gone" "$(line 'Exception: ')"
expect_eq "the exception's class" "std::runtime_error" "$(line 'Exception class: ')"
has_line "no context of the failure" "null context"
expect_eq "the app mode has the top-level flag" 32 "$(line 'App mode: ')"
expect_eq "no OpenGL lines outside the show" "" "$(line 'OpenGL version: ')"
address="$(line 'Exception address: ')"
expect_true "the throw's address $address lies in the program's code" in_code "$address"
back="$(line 'Back trace: ')"
expect_true "a back trace of the throw's callers ($back)" grep -Eq "^$hex(,$hex){3,}$" <<<"$back"
outside=0
for site in ${back//,/ }; do in_code "$site" || outside=$((outside + 1)); done
expect_eq "back trace entries outside the program's code" 0 "$outside"
expect_eq "every report is counted" 3 "$(reg_get er)"

# While the show runs (flag 2) the report waits for its viewer, but not for
# ever.
crash 4000 write0 2
expect_eq "show running: exit code" 217 "$code"
expect_true "show running: the viewer is waited for (${elapsed} ms)" test "$elapsed" -ge 4000
crash 600000 write0 2
expect_true "a viewer that never ends holds the program at most 15 s (${elapsed} ms)" \
    test "$elapsed" -ge 14000 -a "$elapsed" -lt 40000
crash 20000 write0 3
expect_true "in a preview (flags 1 and 2) nothing waits (${elapsed} ms)" test "$elapsed" -lt 15000

# A thread with reporting switched off leaves the failure to the filter that
# was there before: no report.
crash 0 quiet
expect_eq "reporting off: the earlier filter ends the program" 55 "$code"
expect_eq "reporting off: no viewer" "" "$viewer"
expect_eq "reporting off: not counted" 6 "$(reg_get er)"

# An explorer.exe planted in the current folder (of a copy of crash_host
# with none beside it) is not started either.
mkdir -p "$work/bare" "$work/current"
cp "$HOST" "$work/bare/crash_host.exe"
cp "$EXPLORER_STANDIN" "$work/current/explorer.exe"
HOST="$work/bare/crash_host.exe" CRASH_IN="$work/current" crash 0 write0 0
expect_eq "run from a folder with an explorer.exe: exit code" 217 "$code"
expect_true "the program started is still the Windows folder's explorer.exe ($started)" is_system_explorer "$started"

# A C++ exception that no handler catches, on a worker thread and on the
# main thread: the report still gives its message, its class and the site of
# its throw (with 64-bit unwinding the exception passes the process's
# exception filter on its way to the runtime's end of the program).
for where in thread uncaught; do
    crash 0 "$where" 0
    expect_eq "$where: exit code" 217 "$code"
    expect_eq "$where: the exception's message" 'Can'"'"'t open registry key Software\Quillora\Pagewind' \
        "$(line 'Exception: ')"
    expect_eq "$where: the exception's class" std::runtime_error "$(line 'Exception class: ')"
    address="$(line 'Exception address: ')"
    expect_true "$where: the throw's address $address lies in the program's code" in_code "${address:-0}"
    back="$(line 'Back trace: ')"
    expect_true "$where: a back trace of the throw's callers ($back)" grep -Eq "^$hex(,$hex){2,}$" <<<"$back"
done
expect_eq "the uncaught exceptions are counted" 9 "$(reg_get er)"

rm -f "$folder"/BugReport*.html
reg_reset
finish
