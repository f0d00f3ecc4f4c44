# Shared helpers of the whole-program tests (sourced).
KEY='HKCU\Software\Quillora\Pagewind'
FAILURES=0

# The data of one value of the main key (empty when absent).
reg_get() {
    # Lines look like "    NAME    REG_SZ    DATA"; DATA keeps trailing spaces.
    wine reg query "$KEY" /v "$1" 2>/dev/null | tr -d '\r' |
        sed -E -n 's/^    ([^ ]+)    REG_[A-Z_]+    (.*)$/\1\t\2/p' |
        awk -F '\t' -v name="$1" 'tolower($1) == tolower(name) { print $2; exit }'
}
reg_set() { wine reg add "$KEY" /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1; }
reg_del() { wine reg delete "$KEY" /v "$1" /f >/dev/null 2>&1 || true; }
reg_reset() { wine reg delete "$KEY" /f >/dev/null 2>&1 || true; }

expect_eq() {  # what, expected, actual
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: expected '$2', got '$3'"
        FAILURES=$((FAILURES + 1))
    else
        echo "ok: $1"
    fi
}

# Runs the program and prints its exit code.
run_scr() { timeout 120 wine "$SCR" "$@" >/dev/null 2>&1; echo $?; }

finish() {
    if [ "$FAILURES" -ne 0 ]; then echo "$FAILURES failure(s)"; exit 1; fi
    echo "all passed"
}
