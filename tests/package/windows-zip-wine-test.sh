#!/bin/sh
# The 64-bit zip unpacked into C:\Kestrovane of a fresh Wine prefix, and its
# programs run from there only: Kestrovane.exe --simulate shows its dialog
# (checked and photographed, then closed), kestrovane-cli.exe --version names
# the version, a simulated upload ends with "Upload finish" and the versions
# read back, and a camera plugged in with the zip's kestrovane-simcam.exe
# (whose DLL Windows loads from the unpacked folder) is listed and uploaded to.
# To be run inside wine-session.sh.
#
# Usage: windows-zip-wine-test.sh <win64 zip> <version> <uidriver.exe> <artifact folder>
set -u

zip=$1
version=$2
driver=$3
artifacts=$4
caption=Pelloric
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

drive() { wine "$driver" "$@" | tr -d '\r'; }

unpacked="$WINEPREFIX/drive_c"
unzip -q "$zip" -d "$unpacked" || { echo "FAIL: could not unpack $zip" >&2; exit 1; }
mv "$unpacked/Kestrovane-$version-win64" "$unpacked/Kestrovane" || exit 1
cd "$unpacked/Kestrovane" || exit 1
mkdir -p "$artifacts"
# The dialogs ask for the font "宋体"; where the system has a Chinese font,
# let Wine draw with it, as the other Wine tests do.
if fc-list 2>/dev/null | grep -q "WenQuanYi Micro Hei"; then
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "宋体" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
fi

# --- The dialog of Kestrovane.exe --simulate. ---
wine 'C:\Kestrovane\Kestrovane.exe' --simulate &
pid=$!
if wine "$driver" wait-window "$caption" 30000; then
    # The caption is there as soon as the dialog's window is; its controls
    # may still be on their way: each gets up to 10 s to read as expected.
    for check in "1001|Upload" "1004|Upload Verify" "1057|Device Bin Version:N/A" "1020|Operation status: Not started"; do
        id=${check%%|*}
        expected=${check#*|}
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            shown=$(drive text "$caption" "$id")
            [ "$shown" = "$expected" ] && break
            sleep 1
        done
        [ "$shown" = "$expected" ] || fail "control $id reads \"$shown\", expected \"$expected\""
    done
    # The picture once the dialog has been painted (more than a blank screen).
    painted=0
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        if import -window root "$artifacts/zip-simulate.png" 2>/dev/null &&
            [ "$(identify -format %k "$artifacts/zip-simulate.png")" -gt 2 ]; then
            painted=1
            break
        fi
        sleep 1
    done
    [ "$painted" = 1 ] || fail "no painted dialog on the screen"
    drive close "$caption" >/dev/null || fail "could not close the dialog"
    wine "$driver" wait-gone "$caption" 30000 || fail "the dialog stayed open"
else
    fail "Kestrovane.exe --simulate showed no window \"$caption\"; windows: $(drive list | tr '\n' ' ')"
    kill "$pid" 2>/dev/null
fi
wait "$pid"
code=$?
[ "$code" -eq 0 ] || fail "Kestrovane.exe --simulate exited with $code"

# --- kestrovane-cli.exe from the folder. ---
run() {
    wine 'C:\Kestrovane\kestrovane-cli.exe' "$@" >"$WINEPREFIX/out" 2>"$WINEPREFIX/err"
    rc=$?
    out=$(tr -d '\r' <"$WINEPREFIX/out")
    err=$(tr -d '\r' <"$WINEPREFIX/err")
    printf '$ kestrovane-cli %s  -> %s\n' "$*" "$rc"
}
expect() {  # exit-code text where what
    [ "$rc" = "$1" ] || fail "$4: exit code $rc, expected $1 (stderr: $err)"
    case "$3" in *"$2"*) ;; *) fail "$4: \"$2\" not in: $3" ;; esac
}

run --version
expect 0 "kestrovane-cli $version" "$out" "--version"

run '--simulate=C:\Kestrovane\sim.eeprom' upload 'C:\Kestrovane\kestrovane-sample-24C64.bin' --block-delay 0
expect 0 "Upload finish" "$err" "a simulated upload"
run '--simulate=C:\Kestrovane\sim.eeprom' version
expect 0 "Device Bin Version:KV-SAMPLE-1.0" "$out" "the simulated camera's version"

# --- A simulated camera that Wine's device enumeration lists. ---
path='\\?\usb#vid_3a5e&pid_2b01&mi_00#9&1c2d3e4f&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global'
if wine 'C:\Kestrovane\kestrovane-simcam.exe' add --path "$path" --eeprom 'C:\Kestrovane\camera.eeprom' >/dev/null; then
    run list
    expect 0 "Tovrine camera, free" "$out" "list of the plugged-in camera"
    run upload 'C:\Kestrovane\kestrovane-sample-24C64.bin' --block-delay 0
    expect 0 "Upload finish" "$err" "an upload to the plugged-in camera"
    cmp -s -n 8192 camera.eeprom kestrovane-sample-24C64.bin || fail "the plugged-in camera's EEPROM does not hold the image"
    wine 'C:\Kestrovane\kestrovane-simcam.exe' remove --all >/dev/null || fail "could not unplug the camera"
else
    fail "the zip's kestrovane-simcam.exe could not plug a camera in"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "windows zip under Wine: all checks passed"
