#!/bin/sh
# Runs the real Kestrovane.exe --simulate --advanced: opens the Advanced dialog
# with the main dialog's button 1021, reads and writes a chip and a sensor
# register of the simulated camera, dumps the chip registers to a file and
# loads an edited copy back, changes a picture default and the version of the
# image, saves it, closes the dialog and sees the main dialog's version follow.
# Screenshots of the dialog go to the artifact folder.
# To be run inside wine-session.sh.
#
# Usage: advanced-dialog-wine-test.sh <Kestrovane.exe> <uidriver.exe> <artifact folder>
set -u

driver=$2
artifacts=$3
main=Pelloric
advanced=Advanced
program_source=$1
. "$(dirname "$0")/../program-test.sh"

# Checks the message box a window has open and presses one of its buttons.
answer() {  # owner expected-text button-id
    shown=$(drive popup-text "$1" 65535)
    [ "$shown" = "$2" ] || fail "message \"$shown\", expected \"$2\""
    drive popup-click "$1" "$3" >/dev/null || fail "could not answer \"$2\""
}

# Chooses a file in the file dialog a window has open (name box 1148, then OK).
choose_file() {  # owner windows-path
    drive popup-set-text "$1" 1148 "$2" >/dev/null || fail "no file name box"
    drive popup-click "$1" 1 >/dev/null || fail "could not confirm the file dialog"
}

poke() {  # id text
    drive set-text "$advanced" "$1" "$2" >/dev/null || fail "could not type into $1"
}

bytes_at() {  # file offset count
    od -An -tx1 -j "$2" -N "$3" "$1" | tr -d ' \n'
}

# A 24C64 image of 1024 bytes: parameter base 0x40, every parameter supported
# (0x043F), the Brightness default 100 at 0x40 + 0x78 (kv5 table), ids
# 3a5e:00a5, the description "Cam" at 0x30, the version "KV-WINE-1.0".
image="$folder/firmware.bin"
head -c 1024 /dev/zero >"$image"
put() { printf "$2" | dd of="$image" bs=1 seek="$1" conv=notrunc 2>/dev/null; }
put 5 '\136\072\245\000'
put 22 '\060'
put 28 '\100'
put 38 '\077\004'
put 48 '\003Cam'
put 112 'KV-WINE-1.0\000'
put 184 '\144\000'
windows_image=$(winepath -w "$image" | tr -d '\r')
dump="$folder/chipregs.txt"
windows_dump=$(winepath -w "$dump" | tr -d '\r')

wine "$program" --simulate --advanced &
pid=$!
if ! wine "$driver" wait-window "$main" 30000; then
    fail "no window \"$main\""
    kill "$pid" 2>/dev/null
    exit 1
fi

# --- The main dialog's image, then button 1021, shown by --advanced. ---
drive post-click "$main" 1003 >/dev/null || fail "could not click Browse"
choose_file "$main" "$windows_image"
expect_text_in "$main" 1010 "Bin Version:KV-WINE-1.0"
state=$(drive state "$main" 1021)
case "$state" in visible=1*) ;; *) fail "Advanced button not shown: $state" ;; esac
drive post-click "$main" 1021 >/dev/null || fail "could not click Advanced"
wine "$driver" wait-window "$advanced" 30000 || fail "no window \"$advanced\""
expect_text_in "$advanced" 1002 "$windows_image"
expect_text_in "$advanced" 1026 "100"
expect_text_in "$advanced" 1065 "KV-WINE-1.0"
expect_text_in "$advanced" 1072 "3a5e"
expect_text_in "$advanced" 1074 "Cam"
expect_text_in "$advanced" 1081 "24C64(8K)"
import -window root "$artifacts/advanced-dialog.png" || fail "no screenshot"

# --- One chip and one sensor register. ---
poke 1011 "109"
drive click "$advanced" 1015 >/dev/null
expect_text_in "$advanced" 1012 "1f"
poke 1011 "42"
poke 1012 "ab"
drive click "$advanced" 1016 >/dev/null
poke 1012 ""
drive click "$advanced" 1015 >/dev/null
expect_text_in "$advanced" 1012 "ab"
poke 1013 "3012"
poke 1014 "beef"
drive click "$advanced" 1018 >/dev/null
poke 1014 ""
drive click "$advanced" 1017 >/dev/null
expect_text_in "$advanced" 1014 "beef"
poke 1014 "1bf76"
drive post-click "$advanced" 1018 >/dev/null
answer "$advanced" 'The register value "1bf76" is out of range: it must lie between 0 and FFFF.' 1

# --- Dump the chip registers, edit the file, load it back. ---
drive post-click "$advanced" 1000 >/dev/null || fail "could not click ReadTovrinRegToFile"
choose_file "$advanced" "$windows_dump"
answer "$advanced" "ReadFile OK, file is saved to TovrinRegs.txt!!" 1
lines=$(wc -l <"$dump")
[ "$lines" -eq 256 ] || fail "the dump holds $lines lines, expected 256"
[ "$(head -n 1 "$dump" | od -An -c | tr -d ' \n')" = '0x0000:0x0000\r\n' ] ||
    fail "the dump's first line is not \"0x0000:0x0000\" with CR LF: $(head -n 1 "$dump" | od -An -c)"
grep -q '^0x0042:0x00AB' "$dump" || fail "the dump has no line 0x0042:0x00AB"
[ -z "$(ls "$folder" | grep '\.new$')" ] || fail "a temporary file was left beside the dump"
sed -i 's/^0x0042:0x00AB/0x0042:0x0077/' "$dump"
drive post-click "$advanced" 1077 >/dev/null || fail "could not click WriteTovrinRegFromFile"
choose_file "$advanced" "$windows_dump"
answer "$advanced" "WriteFile OK, file is written to tovrine registers!!" 1
drive click "$advanced" 1015 >/dev/null
expect_text_in "$advanced" 1012 "77"

# --- Change a default and the version, save. ---
poke 1026 "321"
poke 1065 "KV-WINE-2.0"
drive post-click "$advanced" 1025 >/dev/null || fail "could not click Save File"
caption=$(drive popup-text "$advanced" 0)
[ "$caption" = "Cinform" ] || fail "the question's caption is \"$caption\", expected Cinform"
answer "$advanced" "Confirm to write?" 6
answer "$advanced" "Write finished" 1
[ "$(bytes_at "$image" 184 2)" = "4101" ] || fail "Brightness default bytes $(bytes_at "$image" 184 2)"
[ "$(bytes_at "$image" 112 12)" = "4b562d57494e452d322e3000" ] ||
    fail "version bytes $(bytes_at "$image" 112 12)"
size=$(wc -c <"$image")
[ "$size" -eq 1024 ] || fail "the image is $size bytes long after the save"
import -window root "$artifacts/advanced-dialog-saved.png" || fail "no screenshot"

# --- Close: the main dialog shows the saved version. ---
drive post-click "$advanced" 1 >/dev/null || fail "could not click Close"
wine "$driver" wait-gone "$advanced" 30000 || fail "the Advanced dialog stayed open"
expect_text_in "$main" 1010 "Bin Version:KV-WINE-2.0"

drive close "$main" >/dev/null || fail "could not close"
wine "$driver" wait-gone "$main" 30000 || fail "the main dialog stayed open"
wait "$pid"

finish "advanced dialog"
