#!/bin/sh
# smoke_test.sh GENERATE_SEASON PLAIN_IO TIME_RUN ROSTRUM FOLDER: the benchmark's programs on a
# small season in FOLDER (emptied first). The season is the same for the same seed, rostrum runs
# it without a word on the console (a warning would make every timed run pause), and the plain
# full pass writes exactly as many bytes into as many files as rostrum did.
set -eu
generate=$1 plain=$2 timer=$3 rostrum=$4 folder=$5
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
rm -rf "$folder"
mkdir -p "$folder"
cd "$folder"

"$generate" --seed 7 30 season
"$generate" --seed 7 30 again
diff -r season again >/dev/null || fail "two seasons of seed 7 differ"
[ "$(find season -name '*.mpr' | wc -l)" -eq 90 ] || fail "30 events do not hold 90 replays"

cd season
measured=$("$timer" -o ../console.txt "$rostrum") || fail "rostrum ended with code $?"
echo "$measured" | grep -Eq '^[0-9]+ [0-9]+ [0-9]+$' || fail "time_run printed: $measured"
[ ! -s ../console.txt ] || fail "rostrum wrote to the console: $(cat ../console.txt)"
cd ..

"$plain" learn season mirror full.list >/dev/null
[ "$(grep -c '^page ' full.list)" -eq 60 ] || fail "full.list does not hold 60 pages"
for name in rostrum.conf event0001/q1.mpr event0030/race.mpr; do
    grep -qx "read $name" full.list || fail "full.list does not read $name"
done
"$plain" full full.list >/dev/null
grep -E '^(page|summary) ' full.list | while read -r role size path; do
    [ "$(wc -c <"mirror/$path")" -eq "$size" ] || fail "mirror/$path does not hold $size bytes ($role)"
    [ "$(wc -c <"season/$path")" -eq "$size" ] || fail "season/$path does not hold $size bytes ($role)"
done
[ "$(grep -c '^summary ' full.list)" -eq 3 ] || fail "full.list does not hold series, teams and log"

# The multi-class variant (as bench/run.sh makes it) runs without a word too.
"$generate" --seed 7 --points "minimum-distance 90%" --points "team-counted-drivers 2" \
    --append "$(dirname "$0")/multiclass-variant.conf" 30 classes
cd classes
"$timer" -o ../classes.txt "$rostrum" >/dev/null || fail "rostrum ended with code $? (multi-class)"
[ ! -s ../classes.txt ] || fail "rostrum wrote to the console (multi-class): $(cat ../classes.txt)"
grep -q '<h3 class=class-name>RB4-FXO</h3>' series.html || fail "series.html has no class tables"
cd ..

status=0
"$timer" sh -c 'exit 3' >/dev/null || status=$?
[ "$status" -eq 3 ] || fail "time_run ended with $status, not the program's code 3"
