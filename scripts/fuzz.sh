#!/bin/sh
# scripts/fuzz.sh [SECONDS [HARNESS...]]
#
# Builds the libFuzzer harnesses of fuzz/ (replay, codec, config, template, event) with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/, then, for every harness or
# for those named:
#   without SECONDS: runs it over its seeds (fuzz/corpus/<harness>/) and over the inputs that once
#     showed a defect (fuzz/regressions/<harness>/), then fuzzes it for a fixed number of runs
#     with a fixed seed, starting from those inputs alone, so that every run is the same;
#   with SECONDS (an empty first argument stands for none): fuzzes it for that many seconds (one
#     harness after another), growing its corpus in build-fuzz/corpus/<harness>/, which is kept
#     from one campaign to the next.
# Each run prints executions, time and coverage. A crash, hang (10 s for one input), leak,
# sanitizer report or allocation over 64 MiB stops the script with the fuzzer's report; the input
# is kept in build-fuzz/artifacts/<harness>/. A fixed input goes into fuzz/regressions/<harness>/.
set -eu
cd "$(dirname "$0")/.."
root=$PWD

seconds=${1:-}
if [ $# -gt 0 ]; then shift; fi
harnesses=${*:-replay codec config template event}
case $seconds in
    *[!0-9]*)
        echo "usage: scripts/fuzz.sh [SECONDS [HARNESS...]] (SECONDS empty: the fixed short runs)" >&2
        exit 2
        ;;
esac

scripts/need-packages.sh cmake make clang libclang-rt-14-dev libboost-dev
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROSTRUM_FUZZ=ON \
    -DROSTRUM_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzzers

# Runs of the fixed short fuzzing per harness: together a few minutes on one core.
fixed_runs() {
    case $1 in
        replay) echo 200000 ;;
        codec) echo 300000 ;;
        config) echo 25000 ;;
        template) echo 300000 ;;
        event) echo 30000 ;;
        *) echo "unknown harness $1" >&2; exit 2 ;;
    esac
}

# The harnesses write their scratch files under the temporary folder: in memory where there is
# one. A crash ends a harness inside its scratch folder: every path given to it is absolute.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
out=$root/build-fuzz
mkdir -p "$out/logs"

# With the same addresses on every run (no address space randomisation, where the system lets a
# program switch it off) and without rereading its corpus folder by the clock, a fuzzer with a
# fixed seed makes the same inputs every time.
repeatable="-reload=0"
if setarch "$(uname -m)" -R true 2>/dev/null; then
    same_addresses="setarch $(uname -m) -R"
else
    same_addresses=""
fi
launcher=""

# fuzz HARNESS LOG OPTION...: runs the harness's fuzzer, its output in LOG; on failure shows the
# end of the log and stops.
fuzz() {
    harness=$1
    log=$2
    shift 2
    mkdir -p "$out/artifacts/$harness"
    start=$(date +%s)
    if ! $launcher "$out/fuzz/fuzz_$harness" -timeout=10 -malloc_limit_mb=64 -print_final_stats=1 \
        -artifact_prefix="$out/artifacts/$harness/" "$@" >"$log" 2>&1; then
        tail -n 60 "$log" >&2
        echo "fuzz_$harness failed; its input is in $out/artifacts/$harness/" >&2
        exit 1
    fi
    elapsed=$(($(date +%s) - start))
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    coverage=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 | sed -E 's/.*cov: ([0-9]+) ft: ([0-9]+).*/cov \1, ft \2/')
}

for harness in $harnesses; do
    runs=$(fixed_runs "$harness")
    # The seeds and regression inputs, copied under one folder (the fuzzer reads it recursively).
    inputs=$out/inputs/$harness
    rm -rf "$inputs"
    mkdir -p "$inputs"
    cp -R "$root/fuzz/corpus/$harness" "$inputs/corpus"
    if [ -d "$root/fuzz/regressions/$harness" ]; then
        cp -R "$root/fuzz/regressions/$harness" "$inputs/regressions"
    fi
    if [ -z "$seconds" ]; then
        fuzz "$harness" "$out/logs/$harness-inputs.log" -runs=0 "$inputs"
        echo "$harness: $(find "$inputs" -type f | wc -l) seed and regression inputs ran clean"
        rm -rf "$out/short/$harness"
        mkdir -p "$out/short/$harness"
        launcher=$same_addresses
        fuzz "$harness" "$out/logs/$harness-short.log" -seed=1 -runs="$runs" "$repeatable" \
            -dict="$root/fuzz/$harness.dict" "$out/short/$harness" "$inputs"
        launcher=""
        echo "$harness: $executions executions in ${elapsed}s, $coverage (seed 1)"
    else
        mkdir -p "$out/corpus/$harness"
        fuzz "$harness" "$out/logs/$harness-campaign.log" -max_total_time="$seconds" \
            -dict="$root/fuzz/$harness.dict" "$out/corpus/$harness" "$inputs"
        echo "$harness: $executions executions in ${elapsed}s, $coverage," \
            "corpus $(find "$out/corpus/$harness" -type f | wc -l) inputs"
    fi
done
