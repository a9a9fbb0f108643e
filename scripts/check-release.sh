#!/bin/sh
# Checks the downloads of scripts/release.sh as an organiser meets them: each archive unpacked into
# an empty folder and its program started there with no argument (a double-click; rostrum.exe
# under Wine), and the pages it writes compared byte for byte with those that the tested build
# (build/rostrum, of scripts/test.sh) writes in the same folder. The Linux program must run
# without libstdc++ or libgcc installed.
set -eu
cd "$(dirname "$0")/.."
top=$PWD
scripts/need-packages.sh wine64
version=$(build/rostrum --version | sed -n 's/^rostrum \([0-9][0-9.]*\).*/\1/p')
windows=rostrum-$version-windows-x64
linux=rostrum-$version-linux-x64
for archive in "dist/$windows.zip" "dist/$linux.tar.gz"; do
    if [ ! -f "$archive" ]; then
        echo "check-release.sh: $archive is missing (scripts/release.sh writes it)" >&2
        exit 1
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/rostrum-release.XXXXXX")
WINEPREFIX="$work/wine"
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
fail() {
    echo "check-release.sh: $*" >&2
    exit 1
}

# Runs the program COMMAND... in FOLDER as a double-click would: no argument, and a clean run
# prints nothing and ends with exit code 0.
run_clean() {
    folder=$1
    shift
    status=0
    (cd "$folder" && "$@" </dev/null >"$work/out" 2>"$work/err") || status=$?
    if [ "$status" -ne 0 ] || [ -s "$work/out" ] || [ -s "$work/err" ]; then
        cat "$work/out" "$work/err" >&2
        fail "$* in $folder: exit code $status, or it printed something"
    fi
}

# What a run wrote: the pages and the log, by path.
written() {
    (cd "$1" && find . -name '*.html' -not -path './docs/*' -o -name rostrum.log) | LC_ALL=C sort
}

# The tested build on the sample as the tarball holds it (its own program taken away).
mkdir "$work/reference"
tar -C "$work/reference" -xzf "dist/$linux.tar.gz"
reference="$work/reference/$linux"
rm "$reference/rostrum"
run_clean "$reference" "$top/build/rostrum"
[ -n "$(written "$reference")" ] || fail "the tested build wrote no page"

same_pages() {
    if [ "$(written "$1")" != "$(written "$reference")" ]; then
        fail "$2 wrote other files than the tested build: $(written "$1")"
    fi
    for file in $(written "$reference"); do
        cmp "$reference/$file" "$1/$file" || fail "$2: $file differs from the tested build's"
    done
    echo "$2: $(written "$1" | wc -l) files, byte for byte those of the tested build"
}

# The Linux download.
mkdir "$work/linux"
tar -C "$work/linux" -xzf "dist/$linux.tar.gz"
if ldd "$work/linux/$linux/rostrum" | grep -E 'libstdc\+\+|libgcc'; then
    fail "the Linux program needs a library that a fresh Debian may lack"
fi
run_clean "$work/linux/$linux" ./rostrum
same_pages "$work/linux/$linux" "$linux.tar.gz"

# The Windows download, under a fresh Wine prefix.
wine=/usr/lib/wine/wine64
if ! "$wine" wineboot --init >"$work/boot.log" 2>&1 || ! /usr/lib/wine/wineserver -w; then
    cat "$work/boot.log" >&2
    fail "Wine did not start"
fi
mkdir "$work/windows"
(cd "$work/windows" && cmake -E tar xf "$top/dist/$windows.zip")
[ "$(ls "$work/windows")" = "$windows" ] || fail "the zip does not unpack into one folder"
run_clean "$work/windows/$windows" "$wine" rostrum.exe
same_pages "$work/windows/$windows" "$windows.zip"
ls -l "dist/$windows.zip" "dist/$linux.tar.gz"
