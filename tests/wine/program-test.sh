# Shared steps of the tests that drive the real Kestrovane.exe; sourced by them.
# Expects `driver` (uidriver.exe) and `artifacts` (screenshot folder) to be set,
# and the program's path as the first argument of the sourcing script.
# Sets up: `fail` and `failures`, `drive`, `expect_text_in`, `wait_text`, `answer_message`
# (with `busy` and `idle` set), `choose_image`, `make_image`, a private copy
# of the program (so that its counter file is the test's own) in `folder` as
# `program`, and the Chinese font; `finish NAME` reports and exits.

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

# Answers the message box the busy window (caption `busy`) shows, after
# checking its text, and waits for the caption to return to `idle`.
# Waits up to $3 seconds for control $2 of window $1 to read $4.
wait_text() {  # caption id seconds expected-text
    waited=0
    while [ "$waited" -lt "$3" ]; do
        shown=$(drive text "$1" "$2")
        [ "$shown" = "$4" ] && return 0
        sleep 1
        waited=$((waited + 1))
    done
    fail "control $2 reads \"$shown\" after $3 s, expected \"$4\""
    return 1
}

answer_message() {  # expected-text
    # The run may still be busy with its blocks: each look waits up to 5 s.
    tries=0
    shown=""
    while [ "$tries" -lt 6 ] && [ -z "$shown" ]; do
        shown=$(drive popup-text "$busy" 65535 2>/dev/null)
        tries=$((tries + 1))
    done
    [ "$shown" = "$1" ] || fail "message \"$shown\", expected \"$1\""
    drive popup-click "$busy" 1 >/dev/null || fail "could not answer \"$1\""
    # Beside the sanitizer builds, a camera that saves its EEPROM file after
    # every block may still be winding down: give it two minutes.
    wine "$driver" wait-window "$idle" 120000 || fail "the caption did not return to $idle"
}

# Browse: the file chooser's name box (1148) takes the path, Open (1); the
# dialog then shows the path and the image's version.
choose_image() {  # windows-path expected-version-text
    drive post-click "$idle" 1003 >/dev/null || fail "could not click Browse"
    drive popup-set-text "$idle" 1148 "$1" >/dev/null || fail "no file name box"
    drive popup-click "$idle" 1 >/dev/null || fail "could not press Open"
    expect_text_in "$idle" 1002 "$1"
    expect_text_in "$idle" 1010 "$2"
}

# An 8 KiB image (256 blocks of 32 bytes) with its version texts.
make_image() {  # file
    head -c 8192 /dev/zero | tr '\000' '\125' >"$1"
    printf 'A' | dd of="$1" bs=1 seek=0 conv=notrunc 2>/dev/null
    printf 'KV-WINE-1.0\000' | dd of="$1" bs=1 seek=112 conv=notrunc 2>/dev/null
    printf 'HW-SIM-A\000' | dd of="$1" bs=1 seek=128 conv=notrunc 2>/dev/null
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
