#!/usr/bin/env bash
# Installs what is needed, builds the presets and runs every test: the native
# suite as built for use, again under AddressSanitizer with
# UndefinedBehaviorSanitizer and under ThreadSanitizer, the Windows programs of
# the 64-bit build under Wine, the kernel test (the simulated camera on a
# USB/IP link, programmed through Debian's kernel in QEMU), the packages (the
# Debian package installed and purged, the Windows zips unpacked and run under
# Wine), and each fuzz target for a few seconds from its seed corpus. A suite
# that registers no test, or any sanitizer or fuzzer finding, fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
bash scripts/install-deps.sh

# The seconds each part of the run took: the base (native and Windows
# builds and tests), the sanitizers, fuzzing. The Wine tests run beside the
# sanitizer builds and are counted apart.
declare -A took=()
add_time() {  # part since
    took[$1]=$((${took[$1]:-0} + SECONDS - $2))
}
timed() {  # part command...
    local part=$1 from=$SECONDS
    shift
    "$@"
    add_time "$part" "$from"
}
part_of() {  # preset
    case $1 in
        linux-asan | linux-tsan) echo sanitizers ;;
        linux-fuzz) echo fuzz ;;
        *) echo base ;;
    esac
}
build() {  # preset
    timed "$(part_of "$1")" cmake --preset "$1"
    timed "$(part_of "$1")" cmake --build --preset "$1"
}
# Tests that run in the background, and their process ids; a run that stops
# early takes them down with it.
wine_pid="" deb_pid="" zip_pid="" kernel_pid=""
stop_background() {
    local pid
    for pid in $wine_pid $deb_pid $zip_pid $kernel_pid; do
        pkill -TERM -P "$pid" 2>/dev/null || true
        kill "$pid" 2>/dev/null || true
    done
}
trap stop_background EXIT

# The Wine tests spend their time waiting for Wine and the windows, not
# computing: they start as soon as the 64-bit Windows build is there and run
# beside everything that follows, the other builds included. Their output is
# shown when they are done.
build windows-x64
wine_log=$(mktemp)
(
    from=$SECONDS
    status=0
    ctest --preset windows-x64 --no-tests=error || status=$?
    echo "test.sh: the Wine tests took $((SECONDS - from)) s beside the builds"
    exit "$status"
) >"$wine_log" 2>&1 &
wine_pid=$!
for preset in linux windows-x86; do build "$preset"; done

# Runs one test preset; prints how many tests it ran (all of them passed, or
# the script has stopped).
run_suite() {  # preset name [ctest options...]
    local preset=$1 name=$2 log from=$SECONDS
    shift 2
    log=$(mktemp)
    ctest --preset "$preset" --no-tests=error "$@" | tee "$log"
    add_time "$(part_of "$preset")" "$from"
    local ran
    ran=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    rm -f "$log"
    if [ -z "$ran" ] || [ "$ran" -eq 0 ]; then
        echo "test.sh: the $preset suite ran no test" >&2
        exit 1
    fi
    eval "ran_$name=$ran"
}
# The kernel test runs apart, below.
run_suite linux native -LE kernel

# The packages, written into build/packages/ from the builds above.
version=$(sed -n 's/^project(Kestrovane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
packages=build/packages
packaging_from=$SECONDS
timed base bash scripts/package.sh --no-build
packaging_took=$((SECONDS - packaging_from))

# The package tests mostly wait for dpkg, lintian and Wine: they run while
# the sanitizer builds compile. Their output is shown when they are done.
# The kernel test emulates a whole machine in QEMU; it waits on one core
# too, beside the sanitizer builds.
kernel_log=$(mktemp)
(
    from=$SECONDS
    status=0
    ctest --preset linux --no-tests=error -L kernel --output-on-failure || status=$?
    echo "test.sh: the kernel test took $((SECONDS - from)) s beside the sanitizer builds"
    exit "$status"
) >"$kernel_log" 2>&1 &
kernel_pid=$!
# Runs one package test in the background; its output, ending with the time it
# took, goes to the log file.
package_test() {  # log name script arguments...
    local log=$1 name=$2
    shift 2
    (
        from=$SECONDS
        status=0
        bash "$@" || status=$?
        echo "test.sh: the $name test took $((SECONDS - from)) s beside the sanitizer builds"
        exit "$status"
    ) >"$log" 2>&1 &
}
# The Debian package is installed into this machine, run from /usr/bin and purged.
deb_log=$(mktemp)
package_test "$deb_log" "Debian package" tests/package/deb-package-test.sh "$version" \
    "$packages/kestrovane_${version}_$(dpkg --print-architecture).deb" \
    build/linux/packaging/deb-programs.txt "$packages/lintian.txt"
deb_pid=$!
zip_log=$(mktemp)
package_test "$zip_log" "Windows zip" tests/package/windows-zips-test.sh "$version" \
    "$packages/Kestrovane-$version-win64.zip" "$packages/Kestrovane-$version-win32.zip" \
    build/windows-x64/tests/wine/driver/uidriver.exe build/windows-x64/artifacts
zip_pid=$!

for preset in linux-asan linux-tsan; do build "$preset"; done
run_suite linux-asan asan
run_suite linux-tsan tsan

wine_status=0
wait "$wine_pid" || wine_status=$?
deb_status=0
wait "$deb_pid" || deb_status=$?
zip_status=0
wait "$zip_pid" || zip_status=$?
kernel_status=0
wait "$kernel_pid" || kernel_status=$?
trap - EXIT
cat "$deb_log" "$zip_log" "$wine_log"
ran_wine=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$wine_log" | tail -n 1)
package_times=$(grep -h '^test\.sh: the .* test took' "$deb_log" "$zip_log")
rm -f "$deb_log" "$zip_log" "$wine_log"
cat "$kernel_log"
ran_kernel=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$kernel_log" | tail -n 1)
rm -f "$kernel_log"
if [ "$wine_status" -ne 0 ] || [ -z "$ran_wine" ] || [ "$ran_wine" -eq 0 ]; then
    echo "test.sh: the windows-x64 suite failed or ran no test" >&2
    exit 1
fi
[ "$deb_status" -eq 0 ] || { echo "test.sh: the Debian package test failed" >&2; exit 1; }
[ "$zip_status" -eq 0 ] || { echo "test.sh: the Windows zip test failed" >&2; exit 1; }
if [ "$kernel_status" -ne 0 ] || [ -z "$ran_kernel" ] || [ "$ran_kernel" -eq 0 ]; then
    echo "test.sh: the kernel test failed or did not run" >&2
    exit 1
fi

build linux-fuzz

# The fuzz smoke run: a few seconds per target from the seed corpus.
fuzz_seconds=5
fuzz_log=$(mktemp)
from=$SECONDS
bash scripts/fuzz.sh "$fuzz_seconds" | tee "$fuzz_log"
add_time fuzz "$from"
fuzz_targets=$(sed -n 's/^fuzz\.sh: \([0-9]*\) targets.*/\1/p' "$fuzz_log")
rm -f "$fuzz_log"

echo
echo "test.sh: ${ran_native} native tests (again ${ran_asan} under AddressSanitizer and" \
    "UndefinedBehaviorSanitizer, ${ran_tsan} under ThreadSanitizer), ${ran_wine} Wine tests," \
    "${ran_kernel} kernel test, 2 package tests (the Debian package, the Windows zips)" \
    "and ${fuzz_targets} fuzz targets (${fuzz_seconds} s each) passed in $((SECONDS - started)) s"
echo "test.sh: writing the packages took ${packaging_took} s"
echo "$package_times"
echo "test.sh: of which sanitizer builds and runs $((${took[sanitizers]:-0})) s," \
    "fuzz build and runs $((${took[fuzz]:-0})) s"
