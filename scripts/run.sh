#!/usr/bin/env bash
# Builds the Windows program and starts it against the simulated camera under
# Wine. Without a display it runs on a virtual one and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target Kestrovane
program="$PWD/build/windows-x64/src/app/win32/Kestrovane.exe"
export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-kestrovane}"
wineboot -i >/dev/null 2>&1 || true
wineserver -w || true
# The dialogs ask for the font "宋体"; let Wine draw it with a Chinese font.
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "宋体" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1 || true

if [ -n "${DISPLAY:-}" ]; then
    exec wine "$program" --simulate
fi

screenshot="$PWD/build/kestrovane-simulate.png"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    wine "$1" --simulate &
    for _ in $(seq 1 60); do
        sleep 1
        if xwininfo -root -tree 2>/dev/null | grep -q "\"Pelloric\""; then break; fi
    done
    sleep 2
    import -window root "$2"
    echo "Kestrovane.exe --simulate is running on a virtual display; screenshot: $2"
    echo "Close it with Ctrl+C."
    wait
' _ "$program" "$screenshot"
