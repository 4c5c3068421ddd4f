#!/bin/sh
# Runs the real filterrestore.exe against Wine's registry: with a registration
# in both registry views, with the value removed, and with values it must
# refuse.
# To be run inside wine-session.sh.
#
# Usage: filterrestore-wine-test.sh <filterrestore.exe> <uidriver.exe>
set -u

program=$1
driver=$2
key='HKCR\CLSID\{083863F1-70DE-11d0-BD40-00A0C911CE86}\Instance\{301056D0-6DFF-11D2-9EEB-006008039E37}'
success_text='Register recover sucessfully. Please reboot.'
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# A registration record as the system stores it: version 2, the merit
# (little-endian), two pins with their media types, and the type GUIDs.
record() {
    printf '02000000%s02000000000000003070693300000000000000000100000000000000000000003074793300000000600000007000000031706933080000000000000001000000000000000000000030747933000000006000000080000000%s' \
        "$1" "$2"
}
pin_types64='7669647300001000800000AA00389B714D4A504700001000800000AA00389B7100000000000000000000000000000000'
pin_types32='7669647300001000800000AA00389B714D4A504700001000800000AA00389B7141424344454647484950515253545556'

# The value's bytes as upper-case hex, or nothing when it does not exist.
filter_data() {
    wine reg query "$key" /v FilterData "/reg:$1" 2>/dev/null | tr -d '\r' |
        awk '$1 == "FilterData" && $2 == "REG_BINARY" { print toupper($3) }'
}

# Runs the program, answers its message box and checks caption, text and exit
# code. Arguments: expected caption, expected text (a fragment with -f), and
# whether the exit code must be zero ("zero") or not ("nonzero").
run_and_answer() {
    caption=$1
    text=$2
    exit_kind=$3
    wine "$program" &
    pid=$!
    if wine "$driver" wait-window "$caption" 30000; then
        shown=$(wine "$driver" text "$caption" 65535 | tr -d '\r')
        echo "message box \"$caption\": $shown"
        case "$shown" in
            *"$text"*) ;;
            *) fail "message box \"$caption\" says: $shown" ;;
        esac
        wine "$driver" click "$caption" 1 || fail "could not press OK on \"$caption\""
    else
        fail "no message box \"$caption\"; windows: $(wine "$driver" list | tr '\r\n' '  ')"
        wine "$driver" close Success
        wine "$driver" close Error
    fi
    wait "$pid"
    code=$?
    echo "filterrestore exited with $code"
    if [ "$exit_kind" = zero ] && [ "$code" -ne 0 ]; then fail "exit code $code, expected 0"; fi
    if [ "$exit_kind" = nonzero ] && [ "$code" -eq 0 ]; then fail "exit code 0 after a failure"; fi
}

# 1. A registration in each view: each merit is replaced, all else kept.
original64=$(record 00006000 "$pin_types64")
original32=$(record 00004000 "$pin_types32")
wine reg add "$key" /v FilterData /t REG_BINARY /d "$original64" /f /reg:64 >/dev/null ||
    fail "could not create the 64-bit registration"
wine reg add "$key" /v FilterData /t REG_BINARY /d "$original32" /f /reg:32 >/dev/null ||
    fail "could not create the 32-bit registration"
[ "$(filter_data 64)" = "$original64" ] || fail "64-bit registration not stored as given"

run_and_answer Success "$success_text" zero

expected64=$(record 0000FFFF "$pin_types64")
expected32=$(record 0000FFFF "$pin_types32")
[ "$(filter_data 64)" = "$expected64" ] || fail "64-bit view holds $(filter_data 64)"
[ "$(filter_data 32)" = "$expected32" ] || fail "32-bit view holds $(filter_data 32)"

# 2. The value removed from both views: nothing is written, the error shows.
wine reg delete "$key" /v FilterData /f /reg:64 >/dev/null || fail "could not remove the value"
wine reg delete "$key" /v FilterData /f /reg:32 >/dev/null || fail "could not remove the value"

run_and_answer Error 'has no value "FilterData"' nonzero

[ -z "$(filter_data 64)" ] || fail "a 64-bit value was created: $(filter_data 64)"
[ -z "$(filter_data 32)" ] || fail "a 32-bit value was created: $(filter_data 32)"

# 3. Values that must not be touched: too long for the buffer in one view, not
#    binary in the other. Both stay as they were.
long64=$(record 00006000 "$pin_types64")
while [ "${#long64}" -lt 900 ]; do long64="${long64}A5"; done # 450 bytes
wine reg add "$key" /v FilterData /t REG_BINARY /d "$long64" /f /reg:64 >/dev/null ||
    fail "could not create the long value"
wine reg add "$key" /v FilterData /t REG_SZ /d "MJPEG Decompressor" /f /reg:32 >/dev/null ||
    fail "could not create the text value"

run_and_answer Error 'holds 450 bytes; at most 400' nonzero

[ "$(filter_data 64)" = "$long64" ] || fail "the long value was changed: $(filter_data 64)"
text32=$(wine reg query "$key" /v FilterData /reg:32 2>/dev/null | tr -d '\r' |
    awk '$1 == "FilterData" { $1 = ""; print }')
[ "$text32" = " REG_SZ MJPEG Decompressor" ] || fail "the text value was changed: $text32"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "filterrestore under Wine: all checks passed"
