#!/bin/sh
# Runs kestrovane-cli.exe under Wine: against its simulated camera (list,
# upload, version with --simulate=FILE across runs, and the exit codes of bad
# input and of no camera), then without --simulate against a simulated camera
# plugged into Wine's device enumeration, which it finds through DirectShow,
# claims, uploads to, verifies, reads the versions of and erases; the camera's
# EEPROM file then holds the image with 'A' in byte 0, and the camera DLL must
# report every interface released once. A second copy finds the camera taken
# while the first one uploads.
# To be run inside wine-session.sh.
#
# Usage: cli-wine-test.sh <kestrovane-cli.exe> <kestrovane-simcam.exe> <sample image>
set -u

cli=$1
simcam_tool=$2
sample=$3
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

. "$(dirname "$0")/../simcam.sh"

folder=$(mktemp -d "${TMPDIR:-/tmp}/kestrovane-cli-test.XXXXXX") || exit 1
trap 'rm -rf "$folder"' EXIT
image="$folder/firmware.bin"
cp "$sample" "$image" || exit 1
windows() { winepath -w "$1" | tr -d '\r'; }

# Runs the program; its exit code in `rc`, its output in `out` and `err`.
run() {
    wine "$cli" "$@" >"$folder/out" 2>"$folder/err"
    rc=$?
    out=$(tr -d '\r' <"$folder/out")
    err=$(tr -d '\r' <"$folder/err")
    printf '$ kestrovane-cli %s  -> %s\n' "$*" "$rc"
}

expect_rc() {  # code what
    [ "$rc" = "$1" ] || fail "$2: exit code $rc, expected $1 (stderr: $err)"
}

expect_in() {  # text where what
    case "$2" in *"$1"*) ;; *) fail "$3: \"$1\" not in: $2" ;; esac
}

# --- The simulated camera of --simulate. ---
run --simulate list
expect_rc 0 "--simulate list"
expect_in "Tovrine camera, free, protocol level 2" "$out" "--simulate list"

sim_eeprom=$(windows "$folder/sim.eeprom")
run "--simulate=$sim_eeprom" upload "$(windows "$image")" --block-delay 0
expect_rc 0 "--simulate upload"
expect_in "Upload finish" "$err" "--simulate upload"
expect_in "Upload: 100% (256/256 blocks" "$err" "--simulate upload progress"

run "--simulate=$sim_eeprom" version
expect_rc 0 "--simulate version"
expect_in "Device Bin Version:KV-SAMPLE-1.0" "$out" "--simulate version"

run --simulate --json upload "$(windows "$folder/missing.bin")"
expect_rc 2 "an unreadable image"
expect_in '"exitCode": 2' "$out" "the JSON document of an unreadable image"
expect_in "Open File Error" "$err" "an unreadable image"

run list
expect_rc 3 "list without cameras"
expect_in "No camera" "$err" "list without cameras"

# --- A camera plugged into Wine's device enumeration. ---
path='\\?\usb#vid_3a5e&pid_2b01&mi_00#9&1c2d3e4f&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global'
eeprom="$folder/camera.eeprom"
simcam_plug "$path" "$eeprom" || exit 1

run list
expect_rc 0 "list"
expect_in "$path" "$out" "list"
expect_in "Tovrine camera, free, protocol level 2" "$out" "list"
simcam_check_released "$eeprom" "list"

run upload "$(windows "$image")"
expect_rc 0 "upload"
expect_in "Upload finish" "$err" "upload"
simcam_check_released "$eeprom" "upload"
[ "$(simcam_count "$eeprom" requests-refused)" = 0 ] || fail "the camera refused requests"
cmp -s -n 8192 "$eeprom" "$image" || fail "the EEPROM file does not hold the image"
[ "$(head -c 1 "$eeprom")" = A ] || fail "byte 0 of the EEPROM file is not 'A'"

run verify "$(windows "$image")" --block-delay 0
expect_rc 0 "verify"
expect_in "Verify finished, All match" "$err" "verify"

run --json version
expect_rc 0 "version"
expect_in '"binVersion": "KV-SAMPLE-1.0"' "$out" "version"
expect_in '"hwVersion": "HW-SAMPLE-A"' "$out" "version"
simcam_check_released "$eeprom" "version"

# While one copy uploads, another finds the camera claimed.
wine "$cli" --quiet upload "$(windows "$image")" --block-delay 40 >/dev/null 2>&1 &
uploading=$!
sleep 4
run version
expect_rc 3 "version while another copy uploads"
expect_in "No device" "$err" "version while another copy uploads"
run list
expect_in "Tovrine camera, claimed" "$out" "list while another copy uploads"
wait "$uploading" || fail "the background upload failed"

run erase --yes
expect_rc 0 "erase"
expect_in "Erase Finished" "$err" "erase"
erased=$(head -c 2 "$eeprom" | od -An -tx1 | tr -d ' \n')
[ "$erased" = ffff ] || fail "the first two EEPROM bytes are $erased after the erase"
simcam_check_released "$eeprom" "erase"
simcam_unplug "$path"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "kestrovane-cli under Wine: all checks passed"
