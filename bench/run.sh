#!/bin/sh
# Times rostrum on generated championships against a plain program that only reads the run's
# input files and writes as many bytes into as many files as the run writes.
#
#   bench/run.sh [EVENTS...]      (default: 50 500 5000)
#   BENCH_DATA=/dev/shm/rostrum-bench bench/run.sh     (the seasons in memory: no disk waits)
#   ROSTRUM=/path/to/an/older/rostrum bench/run.sh     (times that program instead: before/after)
#
# For each size, two seasons (fixed seed): "all-bonuses" (every points table and bonus with a
# sharing mode, teams, penalties, a points change), "best+data" (the same with dropped rounds,
# best-results at 80% of the events, and season.json and series.csv: bench/second-variant.conf)
# and "modern" (all-bonuses published as a website with the modern page set: a home page, links
# and a page per driver: bench/modern-variant.conf) and "multi-class" (the same website with the
# season's cars in two classes, the classification rule and the team rule:
# bench/multiclass-variant.conf).
# Seasons are generated once and kept under build-release/bench-data/, or $BENCH_DATA (the folder
# name holds the size, the variant, the seed and a checksum of the generator's sources); delete it
# to start over.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
sizes=${*:-50 500 5000}
seed=42
build=$root/build-release
data=${BENCH_DATA:-$build/bench-data}

scripts/need-packages.sh cmake make g++ libboost-dev
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DROSTRUM_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target rostrum generate_season plain_io time_run >/dev/null
rostrum=${ROSTRUM:-$build/rostrum}
generate=$build/bench/generate_season
plain=$build/bench/plain_io
timer=$build/bench/time_run
sources=$(cat bench/generate_season.cpp tests/support/replay_writer.cpp bench/second-variant.conf \
              bench/modern-variant.conf bench/multiclass-variant.conf |
          cksum | cut -d' ' -f1)

# season_folder EVENTS VARIANT: the cache folder of one season (the championship is its "season").
season_folder() {
    echo "$data/$2-$1-seed$seed-$sources"
}

# generate EVENTS VARIANT: generates the season unless it is cached.
generate() {
    folder=$(season_folder "$1" "$2")
    [ -d "$folder/season" ] && return
    echo "generating $1 events ($2) into $folder"
    rm -rf "$data/$2-$1-seed$seed-"*  # an earlier generator's season
    mkdir -p "$folder"
    case $2 in
        all-bonuses) "$generate" --seed $seed "$1" "$folder/season.part" ;;
        best+data) "$generate" --seed $seed --best-results $(($1 * 4 / 5)) \
                       --append bench/second-variant.conf "$1" "$folder/season.part" ;;
        modern) "$generate" --seed $seed --append bench/modern-variant.conf "$1" \
                    "$folder/season.part" ;;
        multi-class) "$generate" --seed $seed --points "minimum-distance 90%" \
                         --points "team-counted-drivers 2" --append bench/multiclass-variant.conf \
                         "$1" "$folder/season.part" ;;
    esac
    mv "$folder/season.part" "$folder/season"
}

# measure TIMES OUTPUT PROGRAM [ARGUMENT...]: runs the program once in the current folder and adds
# "wall-microseconds max-RSS-KiB processor-microseconds" to the file TIMES; its console text goes
# to OUTPUT. The data written before (by the run before) goes to the disk first, so that its
# writing does not slow this run.
measure() {
    times=$1 output=$2
    shift 2
    sync
    if ! "$timer" -o "$output" "$@" >>"$times"; then
        echo "failed: $* (in $(pwd)); its output, $output:" >&2
        cat "$output" >&2
        exit 1
    fi
}

# median FILE [COLUMN]: the median of a column (default the first), in milliseconds.
median() {
    sort -n -k"${2:-1}" "$1" | awk -v column="${2:-1}" '{ v[NR] = $column } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m / 1000 }'
}

# kept_pages OUTPUT: how many event pages the run in the current folder found up to date, from its
# console text OUTPUT or, after a clean run, its log.
kept_pages() {
    if [ -s "$1" ]; then log=$1; else log=rostrum.log; fi
    cat "$log" 2>/dev/null | grep -c 'not overwriting' || true
}

# bench_line EVENTS VARIANT REPETITIONS: prints the season's line of the table.
bench_line() {
    folder=$(season_folder "$1" "$2")
    cd "$folder/season"
    rm -f "$folder"/*.times
    # A first full run and an up-to-date one warm the file cache and leave the files the plain
    # passes learn their list and sizes from.
    touch rostrum.conf
    measure "$folder/warm.times" "$folder/full.out" "$rostrum"
    kept_by_full=$(kept_pages "$folder/full.out")
    sizes_line=$("$plain" learn . "$folder/plain" "$folder/full.list")
    measure "$folder/warm.times" "$folder/up-to-date.out" "$rostrum"
    "$plain" learn . "$folder/plain" "$folder/summary.list" >/dev/null
    pages=$(grep -c '^page ' "$folder/full.list")
    kept=$(kept_pages "$folder/up-to-date.out")
    if [ "$kept_by_full" -ne 0 ] || [ "$kept" -ne "$pages" ]; then
        echo "warning: of $pages event pages the full run kept $kept_by_full and the up-to-date" \
             "run $kept ($folder)" >&2
    fi
    run=1
    while [ $run -le "$3" ]; do
        touch rostrum.conf  # every event page out of date
        measure "$folder/full.times" "$folder/full.out" "$rostrum"
        measure "$folder/up-to-date.times" "$folder/up-to-date.out" "$rostrum"
        measure "$folder/plain-full.times" /dev/null "$plain" full "$folder/full.list"
        measure "$folder/plain-summary.times" /dev/null "$plain" summary "$folder/summary.list"
        run=$((run + 1))
    done
    cd "$root"
    full=$(median "$folder/full.times")
    up_to_date=$(median "$folder/up-to-date.times")
    plain_full=$(median "$folder/plain-full.times")
    plain_summary=$(median "$folder/plain-summary.times")
    cpu_full=$(median "$folder/full.times" 3)
    cpu_up_to_date=$(median "$folder/up-to-date.times" 3)
    peak=$(cat "$folder/full.times" "$folder/up-to-date.times" | sort -n -k2 | tail -n 1 | cut -d' ' -f2)
    echo "$1 $2 $full $up_to_date $plain_full $plain_summary $peak $cpu_full $cpu_up_to_date" \
         "$sizes_line" | awk '{
        printf "%6d %-11s %8.1f %10.1f %10.1f %13.1f %6.2f %12.2f %8.1f %8.1f %9.1f %5.1f %6.1f\n",
               $1, $2, $3, $4, $5, $6, $3 / $5, $4 / $6, $7 / 1024, $8, $9, $13 / 1e6, $18 / 1e6 }'
}

for events in $sizes; do
    for variant in all-bonuses best+data modern multi-class; do
        generate "$events" "$variant"
    done
done

cat <<HEADER

${ROSTRUM:-rostrum $(git describe --always --dirty 2>/dev/null || echo "(no git)")} on $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), seasons in $data
Medians of 5 repetitions (3 from 5000 events) in wall milliseconds, and their ratios:
  full           rostrum's run after rostrum.conf was touched: every page rewritten
  up-to-date     rostrum's run right after it: every event page up to date
  plain-full     the plain pass of a full run: reads every input, writes every page and summary
                 file (as many bytes into as many files)
  plain-summary  the plain pass of an up-to-date run: reads every input, writes the summary files
  x-full         full / plain-full
  x-up-to-date   up-to-date / plain-summary
  peak-MiB       rostrum's peak memory (the largest maximum resident set size of its runs)
  cpu-full       rostrum's processor time (user and system) in the full run, ms: steadier than the
                 wall time on a busy machine; cpu-utd: the same of the up-to-date run
  in-MB, out-MB  MB read (replays, rostrum.conf) and written (pages, summary files, log), full run
events variant         full up-to-date plain-full plain-summary x-full x-up-to-date peak-MiB cpu-full  cpu-utd in-MB out-MB
HEADER
for events in $sizes; do
    repetitions=5
    [ "$events" -ge 5000 ] && repetitions=3
    for variant in all-bonuses best+data modern multi-class; do
        bench_line "$events" "$variant" "$repetitions"
    done
done
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
