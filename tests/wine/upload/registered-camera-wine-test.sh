#!/bin/sh
# Runs the real Kestrovane.exe without --simulate against a simulated camera
# plugged into Wine's own device enumeration: the program finds it through
# DirectShow, claims it, uploads an image, and the camera's EEPROM file holds
# the image with 'A' in byte 0. A second run of the program, which loads the
# EEPROM from that file, verifies it, reads the versions and erases it. After
# each step the camera DLL must report every interface released exactly once;
# the requests it saw in the upload are printed.
# To be run inside wine-session.sh.
#
# Usage: registered-camera-wine-test.sh <Kestrovane.exe> <uidriver.exe>
#            <artifact folder> <kestrovane-simcam.exe>
set -u

driver=$2
artifacts=$3
simcam_tool=$4
idle=Pelloric
busy='\\?\usb#vid_0c7b&pid_4c01&mi_00#8&5e2c9a17&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global'
program_source=$1
. "$(dirname "$0")/../program-test.sh"
. "$(dirname "$0")/../simcam.sh"

eeprom="$folder/camera.eeprom"
simcam_plug "$busy" "$eeprom" || exit 1

image="$folder/firmware.bin"
make_image "$image"
windows_image=$(winepath -w "$image" | tr -d '\r')

start_program() {
    wine "$program" &
    pid=$!
    if ! wine "$driver" wait-window "$idle" 30000; then
        fail "no window \"$idle\""
        kill "$pid" 2>/dev/null
        exit 1
    fi
}

close_program() {
    drive close "$idle" >/dev/null || fail "could not close"
    wine "$driver" wait-gone "$idle" 30000 || fail "the main dialog stayed open"
    wait "$pid"
}

# --- First run: upload. ---
start_program
choose_image "$windows_image" "Bin Version:KV-WINE-1.0"
drive click "$idle" 1001 >/dev/null || fail "could not click Upload"
wine "$driver" wait-window "$busy" 30000 || fail "the caption never showed the camera's path"
answer_message "Upload finish"
expect_text_in "$idle" 1009 "Upload finish times:1"

echo "requests the camera saw in the upload:"
simcam_report "$eeprom" | sed -n '/^requests-served/,$p' | sed 's/^/    /'
simcam_check_released "$eeprom" "upload"
[ "$(simcam_count "$eeprom" requests-refused)" = 0 ] || fail "the camera refused requests"
# 256 blocks of 32 bytes, the header written again with 'A' and checked.
[ "$(simcam_count "$eeprom" EE_END_BLOCK)" = 257 ] ||
    fail "$(simcam_count "$eeprom" EE_END_BLOCK) blocks committed, expected 257"
cmp -s -n 8192 "$eeprom" "$image" || fail "the EEPROM file does not hold the image"
[ "$(head -c 1 "$eeprom")" = A ] || fail "byte 0 of the EEPROM file is not 'A'"
close_program
simcam_check_released "$eeprom" "the first run"

# --- Second run: verify, versions, erase. ---
start_program
choose_image "$windows_image" "Bin Version:KV-WINE-1.0"
drive click "$idle" 1008 >/dev/null || fail "could not check Verify only"
expect_text_in "$idle" 1001 "Verify"
drive click "$idle" 1001 >/dev/null || fail "could not click Verify"
wine "$driver" wait-window "$busy" 30000 || fail "verify did not claim the camera"
answer_message "Verify finished, All match"
simcam_check_released "$eeprom" "verify"

drive click "$idle" 1056 >/dev/null || fail "could not click Get Version"
expect_text_in "$idle" 1057 "Device Bin Version:KV-WINE-1.0"
expect_text_in "$idle" 1058 "HW Version:HW-SIM-A"
simcam_check_released "$eeprom" "Get Version"

# Erase is created hidden; its click still reaches the dialog.
drive post-click "$idle" 1070 >/dev/null || fail "could not click Erase"
shown=$(drive popup-text "$idle" 65535)
[ "$shown" = "Are you sure to erase the bin in device?" ] || fail "erase asks \"$shown\""
drive popup-click "$idle" 6 >/dev/null || fail "could not answer Yes"
shown=$(drive popup-text "$idle" 65535)
[ "$shown" = "Erase Finished" ] || fail "erase ends with \"$shown\""
drive popup-click "$idle" 1 >/dev/null || fail "could not answer \"Erase Finished\""
simcam_check_released "$eeprom" "Erase"
close_program

erased=$(head -c 2 "$eeprom" | od -An -tx1 | tr -d ' \n')
[ "$erased" = ffff ] || fail "the first two EEPROM bytes are $erased after the erase"
cmp -s -i 2 -n 8190 "$eeprom" "$image" || fail "the erase changed more than the first two bytes"
leftovers=$(ls "$folder" | grep '\.tmp$')
[ -z "$leftovers" ] || fail "temporary files left beside the EEPROM file: $leftovers"
simcam_check_released "$eeprom" "the second run"
simcam_unplug "$busy"

finish "registered camera"
