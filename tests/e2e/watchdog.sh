#!/usr/bin/env bash
# A frozen main thread is reported by the watchdog: crash exit code 217, one
# more error report in the run statistics, and a report with the frozen
# thread's registers and call sites (the stand-in explorer.exe beside the
# host records where the report is).
set -u
PW_WIN_TARGET="$1"
HOST="$2"
source "$(dirname "$0")/lib.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
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

for _ in $(seq 100); do [ -s "$work/explorer.log" ] && break; sleep 0.2; done
report="$(head -n1 "$work/explorer.log" 2>/dev/null | tr -d '\r' | sed -E 's/^explorer\.exe "[Cc]:(.*)"$/\1/' | tr '\\' /)"
report="$WINEPREFIX/drive_c$report"
text="$(tr -d '\r' <"$report" 2>/dev/null)"
expect_eq "the report names the frozen main thread" "mainthread freeze, " \
    "$(sed -n 's/^Exception: \(mainthread freeze, \)[0-9]*$/\1/p' <<<"$text")"
expect_eq "the report's class" "my" "$(sed -n 's/^Exception class: //p' <<<"$text")"
expect_eq "the run mode" "Run mode: Show" "$(grep '^Run mode: ' <<<"$text")"
digits=16
if [ "$PW_WIN_TARGET" = win32 ]; then digits=8; fi
expect_eq "the frozen thread's context: its registers" 1 \
    "$(grep -cE "^[ER]AX=[0-9A-F]{$digits}( [A-Z]{3}=[0-9A-F]{$digits}){7}$" <<<"$text")"
expect_eq "the frozen thread's context is there" 0 "$(grep -c '^null context$' <<<"$text")"
expect_eq "call sites of the frozen thread" 1 "$(grep -cE "^StackTrace: [0-9A-F]{$digits}" <<<"$text")"
rm -f "$report"
reg_reset
finish
