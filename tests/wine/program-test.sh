# Shared steps of the tests that drive the real Kestrovane.exe; sourced by them.
# Expects `driver` (uidriver.exe) and `artifacts` (screenshot folder) to be set,
# and the program's path as the first argument of the sourcing script.
# Sets up: `fail` and `failures`, `drive`, a private copy of the program (so
# that its counter file is the test's own) in `folder` as `program`, and the
# Chinese font; `finish NAME` reports and exits.

failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

drive() { wine "$driver" "$@" | tr -d '\r'; }

# Checks a control's text, giving the program up to 10 s to get there (a busy
# machine may still be delivering the click that changes it).
expect_text_in() {  # caption id expected-text
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        shown=$(drive text "$1" "$2")
        [ "$shown" = "$3" ] && return 0
        sleep 1
    done
    fail "control $2 reads \"$shown\", expected \"$3\""
}

finish() {  # test name
    if [ "$failures" -ne 0 ]; then
        echo "$failures failure(s)" >&2
        exit 1
    fi
    echo "$1 under Wine: all checks passed"
}

folder=$(mktemp -d "${TMPDIR:-/tmp}/kestrovane-test.XXXXXX") || exit 1
trap 'rm -rf "$folder"' EXIT
cp "$program_source" "$folder/Kestrovane.exe" || exit 1
program="$folder/Kestrovane.exe"
mkdir -p "$artifacts"

# The dialogs ask for the font "宋体"; where the system has a Chinese font,
# let Wine draw with it so that the screenshots show the Chinese texts.
if fc-list 2>/dev/null | grep -q "WenQuanYi Micro Hei"; then
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "宋体" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
fi
