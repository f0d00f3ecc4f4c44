#!/usr/bin/env bash
# A frozen main thread is reported by the watchdog: crash exit code 217 and
# one more error report in the run statistics.
set -u
PW_WIN_TARGET="$1"
HOST="$2"
source "$(dirname "$0")/lib.sh"

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
reg_reset
finish
