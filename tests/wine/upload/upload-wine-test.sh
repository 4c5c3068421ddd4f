#!/bin/sh
# Runs the real Kestrovane.exe against its simulated camera: chooses an image
# through the file chooser, uploads it (progress advancing, a screenshot taken
# mid-upload), answers "Upload finish", verifies it, reads the device's
# versions back, and checks the counter file after closing.
# To be run inside wine-session.sh.
#
# Usage: upload-wine-test.sh <Kestrovane.exe> <uidriver.exe> <artifact folder>
set -u

driver=$2
artifacts=$3
idle=Pelloric
# The caption while a worker holds the simulated camera: its device path.
busy='\\?\usb#vid_3a5e&pid_2b01&mi_00#7&2f1c9a5e&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global'
program_source=$1
. "$(dirname "$0")/../program-test.sh"

expect_text() { expect_text_in "$@"; }  # caption id expected-text

# Answers the message box the busy window shows, after checking its text.
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
    wine "$driver" wait-window "$idle" 15000 || fail "the caption did not return to $idle"
}

# An 8 KiB image (256 blocks of 32 bytes) with its version texts.
image="$folder/firmware.bin"
head -c 8192 /dev/zero | tr '\000' '\125' >"$image"
printf 'A' | dd of="$image" bs=1 seek=0 conv=notrunc 2>/dev/null
printf 'KV-WINE-1.0\000' | dd of="$image" bs=1 seek=112 conv=notrunc 2>/dev/null
printf 'HW-SIM-A\000' | dd of="$image" bs=1 seek=128 conv=notrunc 2>/dev/null
windows_image=$(winepath -w "$image" | tr -d '\r')

wine "$program" --simulate &
pid=$!
if ! wine "$driver" wait-window "$idle" 30000; then
    fail "no window \"$idle\""
    kill "$pid" 2>/dev/null
    exit 1
fi

# --- Browse: the file chooser's name box (1148) takes the path, Open (1). ---
drive post-click "$idle" 1003 >/dev/null || fail "could not click Browse"
drive popup-set-text "$idle" 1148 "$windows_image" >/dev/null || fail "no file name box"
drive popup-click "$idle" 1 >/dev/null || fail "could not press Open"
expect_text "$idle" 1002 "$windows_image"
expect_text "$idle" 1010 "Bin Version:KV-WINE-1.0"

# --- Upload, watched while it runs. ---
drive click "$idle" 1001 >/dev/null || fail "could not click Upload"
wine "$driver" wait-window "$busy" 10000 || fail "the caption never showed the camera's path"
sleep 1
expect_text "$busy" 1001 "Stop"
state=$(drive state "$busy" 1006)
case "$state" in visible=1*) ;; *) fail "progress bar not shown: $state" ;; esac
first=$(drive progress "$busy" 1006)
import -window root "$artifacts/upload-running.png" || fail "no screenshot"
sleep 1
second=$(drive progress "$busy" 1006)
if [ -z "$first" ] || [ -z "$second" ] || [ "$second" -le "$first" ]; then
    fail "progress did not advance: $first then $second"
fi
echo "progress: $first, then $second of 256"
answer_message "Upload finish"
expect_text "$idle" 1009 "Upload finish times:1"
expect_text "$idle" 1001 "Upload"
state=$(drive state "$idle" 1006)
case "$state" in visible=0*) ;; *) fail "progress bar still shown: $state" ;; esac

# --- Verify only: the same image against the EEPROM. ---
drive click "$idle" 1008 >/dev/null || fail "could not check Verify only"
expect_text "$idle" 1001 "Verify"
drive click "$idle" 1001 >/dev/null || fail "could not click Verify"
wine "$driver" wait-window "$busy" 10000 || fail "verify did not claim the camera"
answer_message "Verify finished, All match"
expect_text "$idle" 1009 "Upload finish times:1"
expect_text "$idle" 1001 "Verify"

# --- Get Version: the texts now stored in the camera. ---
drive click "$idle" 1056 >/dev/null || fail "could not click Get Version"
expect_text "$idle" 1057 "Device Bin Version:KV-WINE-1.0"
expect_text "$idle" 1058 "HW Version:HW-SIM-A"
import -window root "$artifacts/upload-done.png" || fail "no screenshot"

counter_bytes() { od -An -tx1 "$folder/Kestrovane.DAT" 2>/dev/null | tr -d ' \n'; }
count=$(counter_bytes)
[ "$count" = "01000000" ] || fail "counter file holds \"$count\", expected 01000000"

# Reset Times replaces the existing counter file.
drive click "$idle" 1000 >/dev/null || fail "could not click Reset Times"
expect_text "$idle" 1009 "Upload finish times:0"

drive close "$idle" >/dev/null || fail "could not close"
wine "$driver" wait-gone "$idle" 15000 || fail "the main dialog stayed open"
wait "$pid"

count=$(counter_bytes)
[ "$count" = "00000000" ] || fail "counter file holds \"$count\" after Reset Times"
leftovers=$(ls "$folder" | grep -v -e '^Kestrovane\.exe$' -e '^Kestrovane\.DAT$' -e '^firmware\.bin$')
[ -z "$leftovers" ] || fail "files left beside the program: $leftovers"

finish "upload"
