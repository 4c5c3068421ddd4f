#!/bin/sh
# Runs simulated_camera_check with the simulated-camera DLL's Windows path.
# To be run inside wine-session.sh.
#
# Usage: simulated-camera-check.sh <simulated_camera_check.exe> <KestrovaneSimCamera.dll>
set -u
wine "$1" "$(winepath -w "$2" | tr -d '\r')"
