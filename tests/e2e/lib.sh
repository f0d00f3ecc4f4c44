# Shared helpers of the whole-program tests (sourced after the test has set
# PW_WIN_TARGET, the build's target: win32 or win64).
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env"
pw_wine_target "$PW_WIN_TARGET" || exit 2
KEY='HKCU\Software\Quillora\Pagewind'
FAILURES=0

# The data of one value of the main key (empty when absent).
reg_get() {
    # Lines look like "    NAME    REG_SZ    DATA"; DATA keeps trailing spaces.
    pw_wine reg query "$KEY" /v "$1" 2>/dev/null | tr -d '\r' |
        sed -E -n 's/^    ([^ ]+)    REG_[A-Z_]+    (.*)$/\1\t\2/p' |
        awk -F '\t' -v name="$1" 'tolower($1) == tolower(name) { print $2; exit }'
}
reg_set() { pw_wine reg add "$KEY" /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1; }
reg_del() { pw_wine reg delete "$KEY" /v "$1" /f >/dev/null 2>&1 || true; }
reg_reset() { pw_wine reg delete "$KEY" /f >/dev/null 2>&1 || true; }

expect_eq() {  # what, expected, actual
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: expected '$2', got '$3'"
        FAILURES=$((FAILURES + 1))
    else
        echo "ok: $1"
    fi
}

# Runs the program and prints its exit code.
run_scr() { timeout 120 "$PW_WINE" "$SCR" "$@" >/dev/null 2>&1; echo $?; }

finish() {
    if [ "$FAILURES" -ne 0 ]; then echo "$FAILURES failure(s)"; exit 1; fi
    echo "all passed"
}
