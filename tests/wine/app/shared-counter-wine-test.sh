#!/bin/sh
# Two copies of the real Kestrovane.exe, started from one folder and so
# counting into one counter file, each serving a simulated camera of its own
# (registered for DirectShow) in an auto run. Both cameras are plugged in at
# the same moment, round after round, so the copies count their finishes at
# the same time: the file ends with every finish counted, and each copy shows
# the count the file held after its own last finish.
# To be run inside wine-session.sh.
#
# Usage: shared-counter-wine-test.sh <Kestrovane.exe> <uidriver.exe>
#            <artifact folder> <kestrovane-simcam.exe>
set -u

driver=$2
artifacts=$3
simcam_tool=$4
idle=Pelloric
program_source=$1
. "$(dirname "$0")/../program-test.sh"
. "$(dirname "$0")/../simcam.sh"

camera_a='\\?\usb#vid_3a5e&pid_4c05&mi_00#8&c0unt0a1&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global'
camera_b='\\?\usb#vid_3a5e&pid_4c05&mi_00#8&c0unt0b2&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global'
rounds=4

# A 512-byte image: 16 blocks.
image="$folder/firmware.bin"
head -c 512 /dev/zero | tr '\000' '\071' >"$image"
printf 'A' | dd of="$image" bs=1 seek=0 conv=notrunc 2>/dev/null
windows_image=$(winepath -w "$image" | tr -d '\r')
counter="$folder/Kestrovane.DAT"

# The cameras are plugged in before the copies start, so each copy's Upload
# click claims one of them.
simcam_plug "$camera_a" "$folder/a1.eeprom" || exit 1
simcam_plug "$camera_b" "$folder/b1.eeprom" || exit 1
wine "$program" &
wine "$program" &
for _ in $(seq 1 30); do
    [ "$(drive count "$idle")" = 2 ] && break
    sleep 1
done
[ "$(drive count "$idle")" = 2 ] || fail "the two copies did not both start"
drive set-text-all "$idle" 1002 "$windows_image" >/dev/null || fail "could not type the image path"
drive click-all "$idle" 1019 >/dev/null || fail "could not check Auto upload"
drive click-all "$idle" 1001 >/dev/null || fail "could not start the auto runs"
wine "$driver" wait-window "$camera_a" 30000 || fail "nobody serves camera a"
wine "$driver" wait-window "$camera_b" 30000 || fail "nobody serves camera b"

# Waits until both copies report their camera served, then unplugs both.
served_and_unplugged() {  # round
    for caption in "$camera_a" "$camera_b"; do
        wait_text "$caption" 1020 60 "Operation status: Upload successfully" ||
            fail "round $1: the copy on $caption did not finish"
    done
    simcam_unplug "$camera_a"
    simcam_unplug "$camera_b"
    for caption in "$camera_a" "$camera_b"; do
        wait_text "$caption" 1020 30 "Operation status: No camera" ||
            fail "round $1: the copy on $caption did not see its camera go"
    done
}

served_and_unplugged 1
for round in $(seq 2 "$rounds"); do
    simcam_plug "$camera_a" "$folder/a$round.eeprom" || fail "round $round: could not plug a"
    simcam_plug "$camera_b" "$folder/b$round.eeprom" || fail "round $round: could not plug b"
    served_and_unplugged "$round"
done

expected=$((2 * rounds))
stored=$(od -An -tu4 -N4 "$counter" 2>/dev/null | tr -d ' ')
[ "$stored" = "$expected" ] || fail "the counter file holds \"$stored\", expected $expected"
shown_a=$(drive text "$camera_a" 1009)
shown_b=$(drive text "$camera_b" 1009)
shown=$(printf '%s\n%s\n' "$shown_a" "$shown_b" | sort | tr '\n' ' ')
# Each copy's last finish was one of the last two of the file.
want=$(printf 'Upload finish times:%s\nUpload finish times:%s\n' $((expected - 1)) "$expected" |
    sort | tr '\n' ' ')
[ "$shown" = "$want" ] || fail "the copies show \"$shown_a\" and \"$shown_b\", expected $want"
for round in $(seq 1 "$rounds"); do
    for eeprom in "$folder/a$round.eeprom" "$folder/b$round.eeprom"; do
        cmp -s -n 512 "$eeprom" "$image" || fail "$(basename "$eeprom") does not hold the image"
    done
done

drive close-all "$camera_a" >/dev/null || fail "could not close the copy on camera a"
drive close-all "$camera_b" >/dev/null || fail "could not close the copy on camera b"
for caption in "$camera_a" "$camera_b"; do
    if ! wine "$driver" wait-gone "$caption" 60000; then
        fail "the copy on $caption stayed open"
        wineserver -k
    fi
done
wait

finish "two copies counting into one file"
