#!/bin/sh
# Runs the real Kestrovane.exe: checks every control of the main dialog, opens
# and closes the About box through the system menu, closes the program and
# checks that it ends; then starts it again beside a counter file.
# To be run inside wine-session.sh.
#
# Usage: main-dialog-wine-test.sh <Kestrovane.exe> <uidriver.exe> <artifact folder>
set -u

driver=$2
artifacts=$3
caption=Pelloric
program_source=$1
. "$(dirname "$0")/../program-test.sh"

expect_text() { expect_text_in "$caption" "$@"; }  # id expected-text

expect_state() {  # id visible checked
    shown=$(drive state "$caption" "$1")
    case "$shown" in
        "visible=$2 enabled=1 checked=$3") ;;
        *) fail "control $1: $shown, expected visible=$2 checked=$3" ;;
    esac
}

start_program() {  # program arguments
    wine "$program" "$@" &
    pid=$!
    if ! wine "$driver" wait-window "$caption" 30000; then
        fail "no window \"$caption\"; windows: $(drive list | tr '\n' ' ')"
        kill "$pid" 2>/dev/null
        wait "$pid"
        echo "$failures failure(s)" >&2
        exit 1
    fi
}

# Ends the program through the given verb and checks that it exits.
end_program() {  # uidriver verb and arguments
    drive "$@" >/dev/null || fail "could not $1 the main dialog"
    wine "$driver" wait-gone "$caption" 30000 || fail "the main dialog stayed open after $1"
    wait "$pid"
    code=$?
    [ "$code" -eq 0 ] || fail "the program exited with $code"
}

# --- First start: no counter file, the simulated camera plugged in. ---
start_program --simulate

# id, text, visible, checked; "-" skips the check box state.
while IFS='|' read -r id text visible checked; do
    [ -n "$id" ] || continue
    expect_text "$id" "$text"
    expect_state "$id" "$visible" "$checked"
done <<'TABLE'
1|Close|1|0
1001|Upload|1|0
1002||1|0
1003|Browse|1|0
1004|Upload Verify|1|1
1005|20|0|0
1006||0|0
1000|Reset Times|1|0
1008|Verify only|1|0
1009|Upload finish times:0|1|0
1010|File Bin Version:  N/A|1|0
1019|Auto upload|1|0
1020|Operation status: Not started|1|0
1021|Advanced|0|0
1056|Get Version|1|0
1057|Device Bin Version:N/A|1|0
1058|HW Version:N/A|1|0
1060|Enable|0|0
1061|8k 16k 32k|0|1
1062|256B|0|0
1063|New bin works|1|0
1070|Erase|0|0
1080|24C64(8K)|1|0
TABLE
expect_text 0 "$caption"

import -window root "$artifacts/main-dialog.png" || fail "no screenshot"

# About box through the system menu's entry (command 16), and back.
drive syscommand "$caption" 16 >/dev/null || fail "could not send the About command"
about=$(drive popup-text "$caption" 0)
[ "$about" = "关于 Kestrovane" ] || fail "About box caption \"$about\""
ok=$(drive popup-text "$caption" 1)
[ "$ok" = "确定" ] || fail "About box button reads \"$ok\""
import -window root "$artifacts/about-dialog.png" || fail "no screenshot"
drive popup-click "$caption" 1 >/dev/null || fail "could not press the About box's button"
sleep 1
if wine "$driver" popup-text "$caption" 0 >/dev/null 2>&1; then
    fail "the About box stayed open"
fi
expect_text 1009 "Upload finish times:0"
expect_state 1004 1 1

end_program close "$caption"
[ -e "$folder/Kestrovane.DAT" ] && fail "closing wrote a counter file"

# --- Second start beside a counter file holding 5, on the machine's own
# (empty) device list; ends through "Close". ---
printf '\005\000\000\000' >"$folder/Kestrovane.DAT"
start_program
expect_text 1009 "Upload finish times:5"
end_program click "$caption" 1

finish "main dialog"
