#!/usr/bin/env bash
# A frozen main thread is reported by the watchdog: crash exit code 217, one
# more error report in the run statistics, and a report with the frozen
# thread's registers and call sites (the stand-in explorer.exe, put in the
# Windows folder for the test's duration, records where the report is). Then
# the same for the show's render thread in the real program, which a
# test-only variable freezes after its first turn; a copy of the stand-in
# beside the program must not be the viewer started. Last, workers frozen
# while they hold a heap's lock for ever, which must not hang the report.
set -u
PW_WIN_TARGET="$1"
HOST="$2"
SCR="$3"
EXPLORER_STANDIN="$4"
ASSETS="$5"
source "$(dirname "$0")/lib.sh"

work="$(mktemp -d)"
trap 'restore_explorer; rm -rf "$work"' EXIT
use_explorer_standin "$EXPLORER_STANDIN" || exit 1
export PW_EXPLORER_LOG
PW_EXPLORER_LOG="$(pw_winpath "$work/explorer.log")"

reg_reset
start=$(date +%s)
timeout 120 "$PW_WINE" "$HOST" >/dev/null 2>&1
code=$?
elapsed=$(( $(date +%s) - start ))
expect_eq "frozen main thread ends the process with 217" 217 "$code"
expect_eq "the report is counted" 1 "$(reg_get er)"
expect_eq "the run is no longer marked as running" 0 "$(reg_get win)"
if [ "$elapsed" -lt 35 ] || [ "$elapsed" -gt 60 ]; then
    echo "FAIL: reported after ${elapsed}s, expected 35-60s (5 s alive, then more than 30 s frozen)"
    FAILURES=$((FAILURES + 1))
fi

# Sets REPORT (the page the stand-in explorer.exe was given, as a Unix
# path), TEXT (the page's text) and STARTED (the path of the program that
# was started as the viewer).
read_report() {
    for _ in $(seq 100); do [ -s "$work/explorer.log" ] && break; sleep 0.2; done
    REPORT="$(viewer_page "$(head -n1 "$work/explorer.log" 2>/dev/null | tr -d '\r')")"
    STARTED="$(sed -n 3p "$work/explorer.log" 2>/dev/null | tr -d '\r')"
    TEXT="$({ tr -d '\r' <"$REPORT"; } 2>/dev/null)"
}
digits=16
if [ "$PW_WIN_TARGET" = win32 ]; then digits=8; fi
# The frozen thread's registers and call sites.
expect_context() {  # what, report text
    expect_eq "$1: the frozen thread's context: its registers" 1 \
        "$(grep -cE "^[ER]AX=[0-9A-F]{$digits}( [A-Z]{3}=[0-9A-F]{$digits}){7}$" <<<"$2")"
    expect_eq "$1: the frozen thread's context is there" 0 "$(grep -c '^null context$' <<<"$2")"
    expect_eq "$1: call sites of the frozen thread" 1 "$(grep -cE "^StackTrace: [0-9A-F]{$digits}" <<<"$2")"
}

read_report
text="$TEXT"
expect_eq "the report names the frozen main thread" "mainthread freeze, " \
    "$(sed -n 's/^Exception: \(mainthread freeze, \)[0-9]*$/\1/p' <<<"$text")"
expect_eq "the report's class" "my" "$(sed -n 's/^Exception class: //p' <<<"$text")"
expect_eq "the run mode" "Run mode: Show" "$(grep '^Run mode: ' <<<"$text")"
expect_context "main thread" "$text"
expect_true "its memory line walks the heap (on the report's helper thread)" \
    grep -Eq '^Memory: [0-9]+ of [0-9]+ MB, Allocated [0-9]+ \([0-9]+ of [0-9]+\) KB$' <<<"$text"
expect_true "the viewer started is the Windows folder's explorer.exe, not the one beside the host ($STARTED)" \
    is_system_explorer "$STARTED"
rm -f "$REPORT" "$work/explorer.log"

# The show's render thread, frozen after its first turn: the watchdog still
# holds a working handle of it, so the report carries its context.
reg_reset
mkdir -p "$work/program" "$work/photos"
cp "$SCR" "$work/program/Pagewind.scr"
cp "$EXPLORER_STANDIN" "$work/program/explorer.exe"  # planted beside the program
convert -size 800x600 xc:'#d02020' "$work/photos/a.jpg"
reg_set Path "$(pw_winpath "$ASSETS")"
reg_set_folder 1 "$work/photos"
reg_set Delay 60000
reg_set Convert 500
SCR="$work/program/Pagewind.scr"
PAGEWIND_TEST_HOOK=freeze-render start_show || echo "FAIL: the show's window never appeared"
expect_show "turn ended"
expect_eq "a frozen render thread ends the show with 217" 217 "$(show_exit_code 90)"
read_report
text="$TEXT"
expect_eq "the report names the frozen render thread" "thread 0 freeze, " \
    "$(sed -n 's/^Exception: \(thread 0 freeze, \)[0-9]*$/\1/p' <<<"$text")"
expect_eq "its handle was still open" 0 "$(grep -c 'getcodeer' <<<"$text")"
expect_context "render thread" "$text"
expect_true "the viewer started is the Windows folder's explorer.exe, not the one beside the program ($STARTED)" \
    is_system_explorer "$STARTED"
rm -f "$REPORT" "$work/explorer.log"

# A watched worker frozen while it holds the C runtime heap's lock, which
# every C++ allocation takes: the report must not wait for that lock, so
# the memory line, which walks that heap, gives up ("err") and the rest is
# written as ever. Alongside it, a worker that holds the process heap's lock
# as well, which the system's own file, registry and process calls take: no
# report can be written then, but the program must still end with 217
# instead of hanging.
reg_reset
start=$(date +%s)
(
    PW_EXPLORER_LOG="$(pw_winpath "$work/explorer-heaps.log")" timeout 150 "$PW_WINE" "$HOST" heaps >/dev/null 2>&1
    echo "$? $(($(date +%s) - start))" >"$work/heaps.result"
) &
heaps=$!
timeout 150 "$PW_WINE" "$HOST" heap >/dev/null 2>&1
code=$?
elapsed=$(($(date +%s) - start))
expect_eq "a worker frozen holding the C runtime heap's lock ends the process with 217" 217 "$code"
expect_true "... within 31-70 s (${elapsed} s)" test "$elapsed" -ge 31 -a "$elapsed" -le 70
read_report
expect_eq "its report names the frozen worker" "thread 0 freeze, " \
    "$(sed -n 's/^Exception: \(thread 0 freeze, \)[0-9]*$/\1/p' <<<"$TEXT")"
expect_context "worker holding the C runtime heap" "$TEXT"
expect_eq "the memory line gives up on the heap it cannot walk" "Memory: err" "$(grep '^Memory: ' <<<"$TEXT")"
rm -f "$REPORT"
wait "$heaps"
read -r code elapsed <"$work/heaps.result"
expect_eq "a worker frozen holding both heaps' locks ends the process with 217" 217 "$code"
expect_true "... within 31-80 s (${elapsed} s)" test "$elapsed" -ge 31 -a "$elapsed" -le 80
reg_reset
finish
