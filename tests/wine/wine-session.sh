#!/bin/sh
# wine-session.sh: run one command inside a fresh, private Wine session.
#
# Usage: wine-session.sh COMMAND [ARG...]
#
# The session is made of:
#   - a temporary 64-bit WINEPREFIX, initialised with `wineboot -i` (and the
#     wineserver waited for) before COMMAND starts;
#   - WINEDEBUG=-all;
#   - a private X display: an Xvfb on a free display number.
# COMMAND runs with WINEPREFIX, DISPLAY, WINEDEBUG and WINEARCH exported, so it
# can simply call `wine prog.exe ...`, `wine reg ...` and so on. The script
# returns COMMAND's exit code (124 when COMMAND ran out of time, 125 when the
# session could not be set up). At exit, on success or failure, every Wine
# process of the session is killed, the Xvfb is stopped and the prefix removed.
#
# Optional environment:
#   WINE_SESSION_TIMEOUT  seconds COMMAND may run (default 300)
#   WINE_SESSION_SCREEN   the virtual screen, WIDTHxHEIGHTxDEPTH (default 1024x768x24)
#   WINEDLLOVERRIDES      default "mscoree,mshtml=" (no Mono/Gecko prompts)
#   WINE_SESSION_KEEP=1   keep the prefix for inspection (its path is printed)
#   WINE_SESSION_TEMPLATE a folder where the first session keeps an initialised
#                         prefix that later sessions copy instead of running
#                         wineboot (the test suite's is in its build folder)
set -u

if [ "$#" -eq 0 ]; then
    echo "usage: $0 COMMAND [ARG...]" >&2
    exit 125
fi

timeout_s=${WINE_SESSION_TIMEOUT:-300}
session_dir=$(mktemp -d "${TMPDIR:-/tmp}/wine-session.XXXXXX") || exit 125
xvfb_pid=""

cleanup() {
    if [ -d "$session_dir/prefix" ]; then
        WINEPREFIX="$session_dir/prefix" wineserver -k >/dev/null 2>&1
        WINEPREFIX="$session_dir/prefix" timeout 20 wineserver -w >/dev/null 2>&1
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    if [ "${WINE_SESSION_KEEP:-0}" = 1 ]; then
        echo "wine-session: kept $session_dir" >&2
    else
        rm -rf "$session_dir"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A display of our own: Xvfb picks a free number and writes it to the file.
Xvfb -displayfd 3 -screen 0 "${WINE_SESSION_SCREEN:-1024x768x24}" -nolisten tcp 3>"$session_dir/display" \
    >"$session_dir/xvfb.log" 2>&1 &
xvfb_pid=$!
waited=0
while [ ! -s "$session_dir/display" ]; do
    if ! kill -0 "$xvfb_pid" 2>/dev/null || [ "$waited" -ge 100 ]; then
        echo "wine-session: Xvfb did not start" >&2
        cat "$session_dir/xvfb.log" >&2
        exit 125
    fi
    sleep 0.1
    waited=$((waited + 1))
done

DISPLAY=":$(head -n 1 "$session_dir/display")"
WINEPREFIX="$session_dir/prefix"
WINEARCH=win64
WINEDEBUG=-all
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export DISPLAY WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES

# Initialises the prefix WINEPREFIX names; false when that failed.
init_prefix() {
    timeout 120 wineboot -i >"$session_dir/wineboot.log" 2>&1 && timeout 120 wineserver -w
}

if [ -n "${WINE_SESSION_TEMPLATE:-}" ]; then
    # A new prefix takes wineboot some 15 s: the first session initialises
    # one in the template folder (once per Wine version, under a lock), and
    # every session starts from a copy of it, still a prefix of its own.
    template="$WINE_SESSION_TEMPLATE/$(wine --version 2>/dev/null | tr -c 'A-Za-z0-9.\n-' _)"
    mkdir -p "$WINE_SESSION_TEMPLATE" || exit 125
    (
        flock 9 || exit 1
        [ -f "$template/ready" ] && exit 0
        rm -rf "$template"
        mkdir -p "$template" || exit 1
        WINEPREFIX="$template/prefix"
        init_prefix || exit 1
        touch "$template/ready"
    ) 9>"$WINE_SESSION_TEMPLATE/lock"
    if [ ! -f "$template/ready" ] || ! cp -a "$template/prefix" "$WINEPREFIX"; then
        echo "wine-session: the template prefix could not be initialised or copied" >&2
        cat "$session_dir/wineboot.log" >&2 2>/dev/null
        exit 125
    fi
elif ! init_prefix; then
    echo "wine-session: the prefix could not be initialised" >&2
    cat "$session_dir/wineboot.log" >&2
    exit 125
fi

timeout "$timeout_s" "$@"
exit $?
