#!/bin/sh
# Runs the real Kestrovane.exe against its simulated camera in the two upload
# modes that go on after the worker: an auto run (one camera written once and
# left alone, unplugged and replaced through the system menu, the next one
# written, Stop), and "New bin works" (the camera restarted before "Upload
# finish"). Takes a screenshot of the auto run while it writes.
# To be run inside wine-session.sh.
#
# Usage: auto-upload-wine-test.sh <Kestrovane.exe> <uidriver.exe> <artifact folder>
set -u

driver=$2
artifacts=$3
idle=Pelloric
busy='\\?\usb#vid_3a5e&pid_2b01&mi_00#7&2f1c9a5e&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global'
program_source=$1
. "$(dirname "$0")/../program-test.sh"

# A 4 KiB image: 128 blocks of 32 bytes, a few seconds of writing.
image="$folder/firmware.bin"
head -c 4096 /dev/zero | tr '\000' '\132' >"$image"
printf 'KV-AUTO-2.0\000' | dd of="$image" bs=1 seek=112 conv=notrunc 2>/dev/null
windows_image=$(winepath -w "$image" | tr -d '\r')

wine "$program" --simulate &
pid=$!
if ! wine "$driver" wait-window "$idle" 30000; then
    fail "no window \"$idle\""
    kill "$pid" 2>/dev/null
    exit 1
fi
drive set-text "$idle" 1002 "$windows_image" >/dev/null || fail "could not type the image path"

# --- Auto upload: the first camera, written once. ---
drive click "$idle" 1019 >/dev/null || fail "could not check Auto upload"
drive click "$idle" 1001 >/dev/null || fail "could not click Upload"
wine "$driver" wait-window "$busy" 30000 || fail "the auto run did not claim the camera"
expect_text_in "$busy" 1001 "Stop"
wait_text "$busy" 1020 30 "Operation status: Upload successfully"
expect_text_in "$busy" 1009 "Upload finish times:1"

# Left alone while it stays attached. (No message box either: one would hold
# the worker, and the steps below would not go on.)
sleep 3
expect_text_in "$busy" 1009 "Upload finish times:1"
expect_text_in "$busy" 1020 "Operation status: Upload successfully"

# --- Unplugged through the system menu, then a new camera plugged in. ---
drive syscommand "$busy" 0x0210 >/dev/null || fail "could not unplug the camera"
wait_text "$busy" 1020 30 "Operation status: No camera"
drive syscommand "$busy" 0x0220 >/dev/null || fail "could not plug a new camera in"
wait_text "$busy" 1020 30 "Operation status: Upload is going..."
import -window root "$artifacts/auto-upload-running.png" || fail "no screenshot"
wait_text "$busy" 1020 30 "Operation status: Upload successfully"
expect_text_in "$busy" 1009 "Upload finish times:2"

# --- Stop ends the run and gives the camera back. ---
drive post-click "$busy" 1001 >/dev/null || fail "could not click Stop"
shown=$(drive popup-text "$busy" 65535)
[ "$shown" = "Upload E2PROM is in processing, Stop?" ] || fail "Stop asked \"$shown\""
drive popup-click "$busy" 6 >/dev/null || fail "could not answer Yes"
wine "$driver" wait-window "$idle" 30000 || fail "Stop did not give the caption back"
expect_text_in "$idle" 1001 "Upload"

# --- New bin works: restart, then "Upload finish", the count, the button. ---
drive click "$idle" 1019 >/dev/null || fail "could not clear Auto upload"
drive click "$idle" 1063 >/dev/null || fail "could not check New bin works"
state=$(drive state "$idle" 1063)
case "$state" in *checked=1*) ;; *) fail "New bin works not checked: $state" ;; esac
drive click "$idle" 1001 >/dev/null || fail "could not click Upload"
wine "$driver" wait-window "$busy" 30000 || fail "the upload did not claim the camera"
wait_text "$busy" 1020 30 "Operation status: Restarting the camera to run the new image..."
# The camera stays claimed through its restart; "Upload finish" comes after it.
shown=""
for _ in 1 2 3; do
    shown=$(drive popup-text "$busy" 65535 2>/dev/null)
    [ -n "$shown" ] && break
done
[ "$shown" = "Upload finish" ] || fail "after the restart: \"$shown\", expected \"Upload finish\""
expect_text_in "$busy" 1009 "Upload finish times:2"
drive popup-click "$busy" 1 >/dev/null || fail "could not answer Upload finish"
wine "$driver" wait-window "$idle" 30000 || fail "the camera was not given back after its restart"
expect_text_in "$idle" 1009 "Upload finish times:3"
expect_text_in "$idle" 1001 "Upload"

drive close "$idle" >/dev/null || fail "could not close"
wine "$driver" wait-gone "$idle" 30000 || fail "the main dialog stayed open"
wait "$pid"
count=$(od -An -tx1 "$folder/Kestrovane.DAT" 2>/dev/null | tr -d ' \n')
[ "$count" = "03000000" ] || fail "counter file holds \"$count\", expected 03000000"

finish "auto upload and new bin works"
