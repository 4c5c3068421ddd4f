#!/bin/sh
# Two copies of the real Kestrovane.exe in one Wine session, over two simulated
# cameras registered for DirectShow: both Upload buttons are clicked at the
# same moment, round after round, and the copies never take the same camera;
# with one camera left, one copy takes it and the other says "No device".
# To be run inside wine-session.sh.
#
# Usage: two-copies-wine-test.sh <Kestrovane.exe> <uidriver.exe>
#            <artifact folder> <kestrovane-simcam.exe>
set -u

driver=$2
artifacts=$3
simcam_tool=$4
idle=Pelloric
program_source=$1
. "$(dirname "$0")/../program-test.sh"
. "$(dirname "$0")/../simcam.sh"

camera_a='\\?\usb#vid_3a5e&pid_4c03&mi_00#8&c0ffee01&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global'
camera_b='\\?\usb#vid_3a5e&pid_4c03&mi_00#8&c0ffee02&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global'
simcam_plug "$camera_a" "$folder/a.eeprom" || exit 1
simcam_plug "$camera_b" "$folder/b.eeprom" || exit 1

# A 1 KiB image: 32 blocks, about a second of writing.
image="$folder/firmware.bin"
head -c 1024 /dev/zero | tr '\000' '\063' >"$image"
printf 'A' | dd of="$image" bs=1 seek=0 conv=notrunc 2>/dev/null  # as the camera ends up
windows_image=$(winepath -w "$image" | tr -d '\r')

for copy in first second; do
    mkdir -p "$folder/$copy"
    cp "$program" "$folder/$copy/Kestrovane.exe"
    wine "$folder/$copy/Kestrovane.exe" &
done
for _ in $(seq 1 30); do
    [ "$(drive count "$idle")" = 2 ] && break
    sleep 1
done
[ "$(drive count "$idle")" = 2 ] || fail "the two copies did not both start"
drive set-text-all "$idle" 1002 "$windows_image" >/dev/null || fail "could not type the image path"

# Answers "Upload finish" of the copy that shows `caption`.
finish_upload() {  # caption
    shown=""
    for _ in 1 2 3 4 5 6; do
        shown=$(drive popup-text "$1" 65535 2>/dev/null)
        [ -n "$shown" ] && break
    done
    [ "$shown" = "Upload finish" ] || fail "the copy on $1 said \"$shown\""
    drive popup-click "$1" 1 >/dev/null || fail "could not answer the copy on $1"
}

for round in 1 2 3; do
    drive click-all "$idle" 1001 >/dev/null || fail "round $round: could not click both"
    # Each copy holds a camera of its own: both captions show up.
    wine "$driver" wait-window "$camera_a" 30000 || fail "round $round: nobody took camera a"
    wine "$driver" wait-window "$camera_b" 30000 || fail "round $round: nobody took camera b"
    finish_upload "$camera_a"
    finish_upload "$camera_b"
    for _ in $(seq 1 60); do
        [ "$(drive count "$idle")" = 2 ] && break
        sleep 1
    done
    [ "$(drive count "$idle")" = 2 ] || fail "round $round: the cameras were not given back"
done
for eeprom in "$folder/a.eeprom" "$folder/b.eeprom"; do
    cmp -s -n 1024 "$eeprom" "$image" || fail "$(basename "$eeprom") does not hold the image"
    simcam_check_released "$eeprom" "$(basename "$eeprom")"
done

# One camera for two copies: exactly one takes it.
simcam_unplug "$camera_b"
drive click-all "$idle" 1001 >/dev/null || fail "could not click both"
wine "$driver" wait-window "$camera_a" 30000 || fail "nobody took the one camera"
shown=$(drive popup-text "$idle" 65535)
[ "$shown" = "No device" ] || fail "the other copy said \"$shown\", expected \"No device\""
drive popup-click "$idle" 1 >/dev/null || fail "could not answer \"No device\""
finish_upload "$camera_a"

# A loaded machine may take a while to give the camera back; both copies are
# idle before they are asked to close, and each is asked on its own.
for _ in $(seq 1 60); do
    [ "$(drive count "$idle")" = 2 ] && break
    sleep 1
done
[ "$(drive count "$idle")" = 2 ] || fail "the last camera was not given back"
drive close-all "$idle" >/dev/null || fail "could not ask the copies to close"
if ! wine "$driver" wait-gone "$idle" 60000; then
    fail "a copy stayed open"
    wineserver -k  # so that the wait below ends and the failure is reported at once
fi
wait
simcam_unplug "$camera_a"

finish "two copies"
