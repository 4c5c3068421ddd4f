#!/usr/bin/env bash
# Installs what is needed, builds the three presets (native, 64-bit and 32-bit
# Windows) and runs every test: the native suite and, under Wine, the Windows
# programs of the 64-bit build. A suite that registers no test fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
bash scripts/install-deps.sh
for preset in linux windows-x64 windows-x86; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
done

# Runs one test preset; prints how many tests it ran (all of them passed, or
# the script has stopped).
run_suite() {  # preset
    local log
    log=$(mktemp)
    ctest --preset "$1" --no-tests=error | tee "$log"
    local ran
    ran=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    rm -f "$log"
    if [ -z "$ran" ] || [ "$ran" -eq 0 ]; then
        echo "test.sh: the $1 suite ran no test" >&2
        exit 1
    fi
    eval "ran_$2=$ran"
}
run_suite linux native
run_suite windows-x64 wine
echo
echo "test.sh: ${ran_native} native tests and ${ran_wine} Wine tests passed in $((SECONDS - started)) s"
