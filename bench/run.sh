#!/bin/sh
# Generates a large championship with the replay fixture tool and times two runs of rostrum on
# it: the first writes every page, the second finds the event pages up to date.
#
#   bench/run.sh [EVENTS]      (default 500 events: two qualifying replays and a race of 40
#                               drivers each, drawn from a pool of 300, every bonus configured)
set -eu
cd "$(dirname "$0")/.."
events=${1:-500}
scripts/need-packages.sh cmake make g++ libboost-dev time
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DROSTRUM_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)" --target rostrum make_replay >/dev/null
tool=$(pwd)/build-release/tools/make_replay
program=$(pwd)/build-release/rostrum
dir=$(pwd)/build-release/bench
rm -rf "$dir"
mkdir -p "$dir"

echo "generating $events events in $dir"
awk -v events="$events" -v dir="$dir" 'BEGIN {
    srand(42)
    pool = 300; field = 40
    conf = dir "/rostrum.conf"
    print "points\n{" > conf
    print "    race 25,18,15,12,10,8,6,4,2,1" > conf
    print "    qualifying 3,2,1" > conf
    print "    grid 1/2,1/4" > conf
    print "    fastest-lap 1" > conf
    print "    fastest-qualifier 1" > conf
    print "    fastest-qualifier-to-finish 1/2" > conf
    print "    highest-climber 2" > conf
    print "    highest-climber-with-qualifying-time 1" > conf
    print "    highest-climber-from-qualifying-position 1" > conf
    print "    shared-points-mode divide-between\n}" > conf
    print "teams\n{" > conf
    for (t = 0; t < 30; t++) {
        printf "    \"Team %d\"\n    {\n", t > conf
        for (m = 0; m < 4; m++) printf "        driver%d \"\"\n", t * 10 + m > conf
        print "    }" > conf
    }
    print "}\npenalties\n{\n    driver7 5\n    driver13 dsq\n    driver21 hide\n}" > conf
    print "modify-points\n{\n    driver3 \"-2 unsafe rejoin\"\n}" > conf
    close(conf)
    for (e = 1; e <= events; e++) {
        event = sprintf("%s/event%03d", dir, e)
        system("mkdir -p " event)
        # Pick the field: 40 distinct drivers of the pool.
        for (i = 0; i < pool; i++) picked[i] = 0
        for (n = 0; n < field; ) { d = int(rand() * pool); if (!picked[d]) { picked[d] = 1; ids[n++] = d } }
        start = 1600000000 + e * 604800
        for (q = 1; q <= 2; q++) {
            file = sprintf("%s/q%d.mpr.txt", event, q)
            printf "track BL1\nstart %d\n", start - 7200 + q * 1800 > file
            for (n = 0; n < field; n++) best[n] = 60000 + int(rand() * 5000)
            # qualifying replays list drivers by best lap
            for (n = 0; n < field; n++) order[n] = n
            for (a = 1; a < field; a++) { v = order[a]; b = a - 1; while (b >= 0 && best[order[b]] > best[v]) { order[b + 1] = order[b]; b-- } order[b + 1] = v }
            for (n = 0; n < field; n++) { d = ids[order[n]]; printf "driver ^%dDriver %d | driver%d | XRT | 0 | 0 | %d\n", d % 10, d, d, best[order[n]] > file }
            close(file)
        }
        file = event "/race.mpr.txt"
        printf "track BL1\nstart %d\nlength 10\ngrid %d\n", start, field > file
        total = 610000
        for (n = 0; n < field; n++) {
            d = ids[n]; total += int(rand() * 3000)
            laps = n < field - 3 ? 10 : 9
            printf "driver ^%dDriver %d | driver%d | XRT | %d | %d | %d | %d | 0 | %d | %d\n", d % 10, d, d, laps, total, 60000 + int(rand() * 4000), 1 + int(rand() * field), (d % 7 == 0) ? 20 : 0, 0 > file
        }
        close(file)
    }
}'
find "$dir" -name '*.mpr.txt' | while read -r description; do
    "$tool" "$description" "${description%.txt}"
    rm "$description"
done

cd "$dir"
for run in first second; do
    /usr/bin/time -f "$run run: %e s wall, %M KiB peak memory" "$program" </dev/null >/dev/null 2>"$dir/../bench-$run.err" || true
    tail -n 1 "$dir/../bench-$run.err"
done
echo "pages: $(find . -name '*.html' | wc -l), log lines: $(wc -l < rostrum.log)"
