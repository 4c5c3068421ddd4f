#!/usr/bin/env bash
# Builds the libFuzzer targets (preset linux-fuzz: clang-14 with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each for SECONDS seconds (default 60)
# from its checked-in seed corpus, tests/fuzz/corpus/<target>/. Prints the
# executions per target and fails when any target reports a finding; the input
# that caused it is kept in build/linux-fuzz/findings/.
#
#     bash scripts/fuzz.sh [SECONDS]
#
# The inputs a run finds are kept in build/linux-fuzz/runs/<target>/ only, so
# every run starts from the seeds alone and the source tree stays as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh [SECONDS]  (a whole number of seconds per target)" >&2
    exit 2
fi

# Each target with the longest input it is given: room for what its input
# stands for (a 16 KiB image would only slow the image editor's target down:
# every field it knows lies in the first 512 bytes plus the parameter block).
targets=(
    "fuzz_register_file 4096"
    "fuzz_image_editor 2048"
    "fuzz_version_text 512"
    "fuzz_counter_file 256"
    "fuzz_merit_repair 1024"
    "fuzz_command_line 1024"
)

build=build/linux-fuzz
cmake --preset linux-fuzz >/dev/null
cmake --build --preset linux-fuzz

# Every target built must be run here: a new one left out of the list fails.
for binary in "$build"/tests/fuzz/fuzz_*; do
    name=$(basename "$binary")
    [[ " ${targets[*]} " == *" $name "* ]] || {
        echo "fuzz.sh: $name is built but not in the list of targets to run" >&2
        exit 1
    }
done

mkdir -p "$build/findings"
summary=()
failed=0
for entry in "${targets[@]}"; do
    read -r name max_len <<<"$entry"
    seeds=tests/fuzz/corpus/$name
    work=$build/runs/$name
    rm -rf "$work"
    mkdir -p "$work/corpus"
    [ -d "$seeds" ] || { echo "fuzz.sh: no seed corpus $seeds" >&2; exit 1; }
    echo "== $name: ${seconds} s from $(find "$seeds" -type f | wc -l) seeds"
    status=0
    "$build/tests/fuzz/$name" "$work/corpus" "$seeds" \
        -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/findings/$name-" \
        >"$work/log" 2>&1 || status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
    per_second=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log" | tail -n 1)
    units=$(find "$work/corpus" -type f | wc -l)
    if [ "$status" -ne 0 ]; then
        failed=1
        # The sanitizer's or the check's report and the saved input.
        grep -E 'ERROR|SUMMARY|check failed|runtime error|Test unit written' "$work/log" >&2 || true
        tail -n 30 "$work/log" >&2
        summary+=("$(printf '%-20s FINDING (exit %d), log %s' "$name" "$status" "$work/log")")
    else
        summary+=("$(printf '%-20s %10s executions %7s/s  %5s new inputs' \
            "$name" "${executions:-?}" "${per_second:-?}" "$units")")
    fi
done

echo
echo "fuzz.sh: ${#targets[@]} targets, ${seconds} s each"
printf '  %s\n' "${summary[@]}"
if [ "$failed" -ne 0 ]; then
    echo "fuzz.sh: a target found a fault; its input is in $build/findings/" >&2
    exit 1
fi
