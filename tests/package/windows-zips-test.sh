#!/usr/bin/env bash
# The Windows zips as a user gets them: each holds exactly its folder
# Kestrovane-<version>-win64 (or -win32) with the programs, the simulated
# camera's DLL and tool, README.txt, CLI.md and the sample image; every
# program and the DLL is built for the zip's architecture, imports Windows'
# own DLLs only and carries the version information of this version. Then
# the 64-bit zip is unpacked into a fresh Wine prefix and its programs are run
# from there (windows-zip-wine-test.sh).
#
# Usage: windows-zips-test.sh VERSION WIN64-ZIP WIN32-ZIP UIDRIVER-EXE ARTIFACT-FOLDER
set -uo pipefail

# The Wine part runs in the unpacked folder: every path is made absolute.
version=$1
zip64=$(realpath -m "$2")
zip32=$(realpath -m "$3")
driver=$(realpath -m "$4")
artifacts=$(realpath -m "$5")
here=$(cd "$(dirname "$0")" && pwd)
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

for tool in unzip x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump strings; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrovane-zips.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

# Windows' own DLLs, which every Windows has; anything else (a compiler's
# runtime DLL above all) would have to travel beside the programs.
system_dlls=" $(echo kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll ole32.dll \
    oleaut32.dll shell32.dll advapi32.dll setupapi.dll msvcrt.dll ws2_32.dll shlwapi.dll \
    version.dll cfgmgr32.dll ntdll.dll rpcrt4.dll bcrypt.dll winmm.dll uxtheme.dll) "

check_zip() {  # zip flavour objdump pe-format
    local zip=$1 flavour=$2 objdump=$3 format=$4
    local folder="Kestrovane-$version-$flavour"
    [ "$(basename "$zip")" = "$folder.zip" ] || fail "the zip is named $(basename "$zip"), expected $folder.zip"
    [ -f "$zip" ] || { fail "no zip $zip"; return; }

    local expected listed
    expected=$(printf '%s\n' CLI.md KestrovaneSimCamera.dll Kestrovane.exe README.txt \
        filterrestore.exe kestrovane-cli.exe kestrovane-sample-24C64.bin kestrovane-simcam.exe |
        sed "s|^|$folder/|" | LC_ALL=C sort)
    listed=$(unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort)
    [ "$listed" = "$expected" ] || fail "$flavour zip holds:
$listed
expected:
$expected"

    mkdir -p "$work/$flavour"
    unzip -q "$zip" -d "$work/$flavour" || { fail "could not unpack $zip"; return; }
    local dir="$work/$flavour/$folder" file name
    for name in Kestrovane.exe filterrestore.exe kestrovane-cli.exe kestrovane-simcam.exe KestrovaneSimCamera.dll; do
        file="$dir/$name"
        [ -f "$file" ] || continue
        "$objdump" -f "$file" | grep "file format $format" >/dev/null ||
            fail "$flavour/$name is not $format: $("$objdump" -f "$file" | grep 'file format')"
        local dll
        while read -r dll; do
            case "$system_dlls" in
                *" $(printf '%s' "$dll" | tr 'A-Z' 'a-z') "*) ;;
                *) fail "$flavour/$name imports $dll, which is not a DLL of Windows itself" ;;
            esac
        done < <("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
        # The strings of the VERSIONINFO resource (UTF-16): each name is followed by its value.
        local info
        info=$(strings -el "$file")
        for field in FileVersion ProductVersion; do
            [ "$(printf '%s\n' "$info" | grep -A1 -x "$field" | sed -n 2p)" = "$version" ] ||
                fail "$flavour/$name: its $field is not $version"
        done
        [ "$(printf '%s\n' "$info" | grep -A1 -x OriginalFilename | sed -n 2p)" = "$name" ] ||
            fail "$flavour/$name: its OriginalFilename is not $name"
    done
    cmp -s "$dir/kestrovane-sample-24C64.bin" "$here/../../samples/kestrovane-sample-24C64.bin" ||
        fail "$flavour: the sample image differs from samples/kestrovane-sample-24C64.bin"
    grep -q "Kestrovane $version for Windows" "$dir/README.txt" || fail "$flavour: README.txt does not name version $version"
}

check_zip "$zip32" win32 i686-w64-mingw32-objdump pei-i386
check_zip "$zip64" win64 x86_64-w64-mingw32-objdump pei-x86-64

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s) in the zips' contents" >&2
    exit 1
fi
echo "windows zips: contents, imports and version information checked"

# The 64-bit programs run where they were unpacked, in a fresh Wine prefix.
WINE_SESSION_TIMEOUT=${WINE_SESSION_TIMEOUT:-180} \
    "$here/../wine/wine-session.sh" "$here/windows-zip-wine-test.sh" "$zip64" "$version" "$driver" "$artifacts"
