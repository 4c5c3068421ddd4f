#!/bin/sh
# Runs the real Kestrovane.exe --simulate --advanced on an image whose texts
# hold 8-bit characters (the version "KV-\xB5\xE9-2", the description
# "Cam\xE9ra\xD6\xD0!"): the Advanced dialog and the main dialog show them as
# the system's ANSI code page has them, a save without a change leaves the
# file byte for byte as it was, a changed text is saved in the code page, and
# a text with a character the code page lacks is refused with nothing written.
# To be run inside wine-session.sh.
#
# Usage: advanced-texts-wine-test.sh <Kestrovane.exe> <uidriver.exe> <artifact folder>
set -u

driver=$2
artifacts=$3
main=Pelloric
advanced=Advanced
program_source=$1
. "$(dirname "$0")/../program-test.sh"

answer() {  # owner expected-text button-id
    shown=$(drive popup-text "$1" 65535)
    [ "$shown" = "$2" ] || fail "message \"$shown\", expected \"$2\""
    drive popup-click "$1" "$3" >/dev/null || fail "could not answer \"$2\""
}

# Saves the image with the Save File button: the question, then `outcome`.
save() {  # expected-outcome-message
    drive post-click "$advanced" 1025 >/dev/null || fail "could not click Save File"
    answer "$advanced" "Confirm to write?" 6
    answer "$advanced" "$1" 1
}

# The ANSI code page of the session, and a text in it (nothing when the code
# page lacks one of its characters).
acp=$(wine reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP |
    tr -d '\r' | awk '/ACP/ { print $NF }')
in_acp() { printf '%s' "$1" | iconv -f UTF-8 -t "CP$acp" 2>/dev/null; }
echo "ANSI code page of the session: $acp"

# A 24C64 image of 1024 bytes (parameter base 0x40, Brightness supported),
# its description record at 0x30, the version at 0x70, firmware bytes after.
image="$folder/firmware.bin"
head -c 1024 /dev/zero | tr '\000' '\132' >"$image"
put() { printf "$2" | dd of="$image" bs=1 seek="$1" conv=notrunc 2>/dev/null; }
put 0 'A'
put 5 '\136\072\245\000'
put 12 '\004'
put 18 '\000'
put 22 '\060'
put 28 '\100'
put 38 '\001\000'
put 48 '\011Cam\351ra\326\320!'
put 112 'KV-\265\351-2\000'
put 128 'HW-1\000'
put 184 '\144\000'
cp "$image" "$folder/original.bin"
windows_image=$(winepath -w "$image" | tr -d '\r')

# A control's text as the code page has it (the driver reads it as ANSI).
expect_ansi_in() {  # caption id expected-bytes-as-printf-format
    expected=$(printf "$3")
    for _ in 1 2 3 4 5; do
        shown=$(drive text "$1" "$2")
        [ "$shown" = "$expected" ] && return 0
        sleep 1
    done
    fail "control $2 reads $(printf '%s' "$shown" | od -An -tx1), expected $(printf '%s' "$expected" | od -An -tx1)"
}

wine "$program" --simulate --advanced &
pid=$!
if ! wine "$driver" wait-window "$main" 30000; then
    fail "no window \"$main\""
    kill "$pid" 2>/dev/null
    exit 1
fi

drive post-click "$main" 1003 >/dev/null || fail "could not click Browse"
drive popup-set-text "$main" 1148 "$windows_image" >/dev/null || fail "no file name box"
drive popup-click "$main" 1 >/dev/null || fail "could not press Open"
expect_ansi_in "$main" 1010 'Bin Version:KV-\265\351-2'
drive post-click "$main" 1021 >/dev/null || fail "could not click Advanced"
wine "$driver" wait-window "$advanced" 30000 || fail "no window \"$advanced\""
expect_ansi_in "$advanced" 1065 'KV-\265\351-2'
expect_ansi_in "$advanced" 1074 'Cam\351ra\326\320!'
import -window root "$artifacts/advanced-texts.png" || fail "no screenshot"

# --- Saved without a change: not a byte differs. ---
save "Write finished"
cmp "$folder/original.bin" "$image" >/dev/null ||
    fail "the untouched save changed the file: $(cmp -l "$folder/original.bin" "$image" | wc -l) bytes"

# --- A changed version goes into the file in the code page. ---
changed="KV-µé-3"
if expected=$(in_acp "$changed"); then
    drive set-text-wide "$advanced" 1065 "$changed" >/dev/null || fail "could not type the version"
    save "Write finished"
    stored=$(od -An -tx1 -j 112 -N 16 "$image" | tr -d ' \n')
    wanted=$( (printf '%s' "$expected"; head -c $((16 - ${#expected})) /dev/zero) |
        od -An -tx1 | tr -d ' \n')
    [ "$stored" = "$wanted" ] || fail "the changed version is stored as $stored, expected $wanted"
    cmp -l "$folder/original.bin" "$image" | awk '$1 < 113 || $1 > 128 { bad = 1 } END { exit bad }' ||
        fail "the save changed bytes outside the version field"
    expect_ansi_in "$advanced" 1065 'KV-\265\351-3'
else
    fail "the session's code page $acp cannot hold \"$changed\""
fi

# --- A character the code page lacks: refused, naming the field. ---
cp "$image" "$folder/before-refusal.bin"
drive set-text-wide "$advanced" 1074 "Caméra Ā" >/dev/null || fail "could not type the description"
if in_acp "Ā" >/dev/null; then
    echo "the code page $acp holds every character; the refusal is not shown"
else
    drive post-click "$advanced" 1025 >/dev/null || fail "could not click Save File"
    answer "$advanced" "The device description holds a character that the image's 8-bit text cannot store: nothing was written." 1
    cmp "$folder/before-refusal.bin" "$image" >/dev/null || fail "the refused save wrote"
fi

drive post-click "$advanced" 1 >/dev/null || fail "could not click Close"
wine "$driver" wait-gone "$advanced" 30000 || fail "the Advanced dialog stayed open"
expect_ansi_in "$main" 1010 'Bin Version:KV-\265\351-3'
drive close "$main" >/dev/null || fail "could not close"
wine "$driver" wait-gone "$main" 30000 || fail "the main dialog stayed open"
wait "$pid"

finish "advanced dialog 8-bit texts"
