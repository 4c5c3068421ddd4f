#!/usr/bin/env bash
# Builds the Windows program and starts it against the simulated camera under
# Wine. Without a display it runs in a private Wine session on a virtual one
# and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target Kestrovane
program="$PWD/build/windows-x64/src/app/win32/Kestrovane.exe"
export WINEDEBUG=-all

# The dialogs ask for the font "宋体"; let Wine draw it with a Chinese font.
use_chinese_font='wine reg add "HKCU\\Software\\Wine\\Fonts\\Replacements" /v "宋体" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1 || true'

if [ -n "${DISPLAY:-}" ]; then
    export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-kestrovane}"
    eval "$use_chinese_font"
    exec wine "$program" --simulate
fi

screenshot="$PWD/build/kestrovane-simulate.png"
WINE_SESSION_TIMEOUT=86400 tests/wine/wine-session.sh bash -c '
    eval "$3"
    wine "$1" --simulate &
    # Take the picture once the dialog has been painted (more than a blank screen).
    for _ in $(seq 1 60); do
        sleep 1
        import -window root "$2" 2>/dev/null || continue
        [ "$(identify -format %k "$2")" -gt 2 ] && break
    done
    echo "Kestrovane.exe --simulate is running on a virtual display; screenshot: $2"
    echo "Close it with Ctrl+C."
    wait
' _ "$program" "$screenshot" "$use_chinese_font"
