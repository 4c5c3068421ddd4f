#!/bin/sh
# Runs the real Kestrovane.exe without --simulate against simulated cameras
# plugged into Wine's own device enumeration, in the modes that go on after
# the worker: an auto run serves a camera, sees it unplugged (its
# registration removed) and serves the next one registered under the same
# path; then a "New bin works" upload, whose restart goes through the
# system's device installer, which does not know the simulated camera: the
# program must say that the camera could not be restarted.
# To be run inside wine-session.sh.
#
# Usage: registered-auto-wine-test.sh <Kestrovane.exe> <uidriver.exe>
#            <artifact folder> <kestrovane-simcam.exe>
set -u

driver=$2
artifacts=$3
simcam_tool=$4
idle=Pelloric
busy='\\?\usb#vid_3a5e&pid_4c02&mi_00#8&7a11c0de&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global'
program_source=$1
. "$(dirname "$0")/../program-test.sh"
. "$(dirname "$0")/../simcam.sh"

image="$folder/firmware.bin"
make_image "$image"
windows_image=$(winepath -w "$image" | tr -d '\r')
first="$folder/first.eeprom"
second="$folder/second.eeprom"
simcam_plug "$busy" "$first" || exit 1

wine "$program" &
pid=$!
if ! wine "$driver" wait-window "$idle" 30000; then
    fail "no window \"$idle\""
    kill "$pid" 2>/dev/null
    exit 1
fi
drive set-text "$idle" 1002 "$windows_image" >/dev/null || fail "could not type the image path"

# --- Auto upload: the first camera, then the next under the same path. ---
drive click "$idle" 1019 >/dev/null || fail "could not check Auto upload"
drive click "$idle" 1001 >/dev/null || fail "could not click Upload"
wine "$driver" wait-window "$busy" 30000 || fail "the auto run did not claim the camera"
wait_text "$busy" 1009 40 "Upload finish times:1"
expect_text_in "$busy" 1020 "Operation status: Upload successfully"
simcam_unplug "$busy"
wait_text "$busy" 1020 30 "Operation status: No camera"
simcam_plug "$busy" "$second" || fail "could not plug in the next camera"
wait_text "$busy" 1009 40 "Upload finish times:2"
for eeprom in "$first" "$second"; do
    cmp -s -n 8192 "$eeprom" "$image" || fail "$(basename "$eeprom") does not hold the image"
done

drive post-click "$busy" 1001 >/dev/null || fail "could not click Stop"
shown=$(drive popup-text "$busy" 65535)
[ "$shown" = "Upload E2PROM is in processing, Stop?" ] || fail "Stop asked \"$shown\""
drive popup-click "$busy" 6 >/dev/null || fail "could not answer Yes"
wine "$driver" wait-window "$idle" 30000 || fail "Stop did not give the camera back"
simcam_check_released "$second" "the auto run"

# --- New bin works: the system cannot restart a camera it does not know. ---
drive click "$idle" 1019 >/dev/null || fail "could not clear Auto upload"
drive click "$idle" 1063 >/dev/null || fail "could not check New bin works"
drive click "$idle" 1001 >/dev/null || fail "could not click Upload"
wine "$driver" wait-window "$busy" 30000 || fail "the upload did not claim the camera"
shown=""
for _ in 1 2 3 4 5 6; do
    shown=$(drive popup-text "$busy" 65535 2>/dev/null)
    [ -n "$shown" ] && break
done
[ "$shown" = "Upload finish" ] || fail "after the jump: \"$shown\", expected \"Upload finish\""
drive popup-click "$busy" 1 >/dev/null || fail "could not answer Upload finish"
expected="The camera could not be restarted: it was not found among the system's devices. Unplug the camera and plug it in again to run the new image."
shown=$(drive popup-text "$busy" 65535)
[ "$shown" = "$expected" ] || fail "restart notice \"$shown\""
drive popup-click "$busy" 1 >/dev/null || fail "could not answer the notice"
wine "$driver" wait-window "$idle" 30000 || fail "the camera was not given back"
expect_text_in "$idle" 1009 "Upload finish times:3"

drive close "$idle" >/dev/null || fail "could not close"
wine "$driver" wait-gone "$idle" 30000 || fail "the main dialog stayed open"
wait "$pid"
[ "$(head -c 1 "$second")" = A ] || fail "byte 0 of the second camera's EEPROM is not 'A'"
simcam_check_released "$second" "the program's run"
simcam_unplug "$busy"

finish "auto run over registered cameras"
