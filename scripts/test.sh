#!/usr/bin/env bash
# Installs what is needed, builds the three presets (native, 64-bit and 32-bit
# Windows) and runs every test: the native suite and, under Wine, the Windows
# programs of the 64-bit build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
for preset in linux windows-x64 windows-x86; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
done
ctest --preset linux
ctest --preset windows-x64
