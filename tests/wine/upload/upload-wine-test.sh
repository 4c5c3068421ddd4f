#!/bin/sh
# Runs the real Kestrovane.exe against its simulated camera: chooses an image
# through the file chooser, uploads it (progress advancing, a screenshot taken
# mid-upload), answers "Upload finish", verifies it, reads the device's
# versions back, and checks the counter file after closing and the --log
# file's line per run.
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

image="$folder/firmware.bin"
make_image "$image"
windows_image=$(winepath -w "$image" | tr -d '\r')

log="$artifacts/upload-wine-test.log"
rm -f "$log"
wine "$program" --simulate --log "$(winepath -w "$log" | tr -d '\r')" &
pid=$!
if ! wine "$driver" wait-window "$idle" 30000; then
    fail "no window \"$idle\""
    kill "$pid" 2>/dev/null
    exit 1
fi

# --- Browse ---
choose_image "$windows_image" "Bin Version:KV-WINE-1.0"

# --- Upload, watched while it runs. ---
drive click "$idle" 1001 >/dev/null || fail "could not click Upload"
wine "$driver" wait-window "$busy" 30000 || fail "the caption never showed the camera's path"
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
wine "$driver" wait-window "$busy" 30000 || fail "verify did not claim the camera"
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
wine "$driver" wait-gone "$idle" 30000 || fail "the main dialog stayed open"
wait "$pid"

count=$(counter_bytes)
[ "$count" = "00000000" ] || fail "counter file holds \"$count\" after Reset Times"
leftovers=$(ls "$folder" | grep -v -e '^Kestrovane\.exe$' -e '^Kestrovane\.DAT$' -e '^firmware\.bin$')
[ -z "$leftovers" ] || fail "files left beside the program: $leftovers"

# --log: one line for the upload, one for the verify, each with the camera's
# state read back after the run.
lines=$(wc -l < "$log" 2>/dev/null || echo 0)
[ "$lines" = 2 ] || fail "the log holds $lines lines, expected 2"
grep -q '"operation":"upload".*"imageBinVersion":"KV-WINE-1.0".*"marker":"complete","result":"committed"' "$log" ||
    fail "the log lacks the upload's line: $(cat "$log" 2>/dev/null)"
grep -q '"operation":"verify".*"result":"verified"' "$log" ||
    fail "the log lacks the verify's line"

finish "upload"
