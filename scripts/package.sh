#!/usr/bin/env bash
# Builds the presets linux, windows-x64 and windows-x86 and writes the
# packages into build/packages/:
#   kestrovane_<version>_<arch>.deb   the Debian package (cpack -G DEB of linux)
#   Kestrovane-<version>-win64.zip    the 64-bit Windows programs (cpack of windows-x64)
#   Kestrovane-<version>-win32.zip    the 32-bit Windows programs (cpack of windows-x86)
# With --no-build it packages what the presets' build folders hold (the test
# command builds them first).
set -euo pipefail
cd "$(dirname "$0")/.."

build=1
case "${1:-}" in
    "") ;;
    --no-build) build=0 ;;
    *) echo "usage: $0 [--no-build]" >&2; exit 2 ;;
esac

if [ "$build" = 1 ]; then
    bash scripts/install-deps.sh
    for preset in linux windows-x64 windows-x86; do
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset"
    done
fi

out=$PWD/build/packages
mkdir -p "$out"
# Packages of an earlier version would pass for this one's.
rm -f "$out"/kestrovane_*.deb "$out"/Kestrovane-*.zip
for preset in linux windows-x64 windows-x86; do
    [ -f "build/$preset/CPackConfig.cmake" ] ||
        { echo "package.sh: build/$preset is not configured (run without --no-build)" >&2; exit 1; }
    generator=()
    [ "$preset" = linux ] && generator=(-G DEB)
    (cd "build/$preset" && cpack "${generator[@]}" -B "$out" >"$out/cpack-$preset.log" 2>&1) || {
        cat "$out/cpack-$preset.log" >&2
        echo "package.sh: cpack of $preset failed" >&2
        exit 1
    }
done
rm -rf "$out/_CPack_Packages"

echo "package.sh: wrote into $out:"
for package in "$out"/kestrovane_*.deb "$out"/Kestrovane-*.zip; do
    [ -f "$package" ] || { echo "package.sh: no package matches $package" >&2; exit 1; }
    printf '  %s (%s bytes)\n' "$(basename "$package")" "$(stat -c %s "$package")"
done
