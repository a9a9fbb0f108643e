#!/bin/sh
# Builds the two downloads for organisers into dist/:
#   rostrum-VERSION-windows-x64.zip    rostrum.exe (MinGW-w64, static)
#   rostrum-VERSION-linux-x64.tar.gz   rostrum (libstdc++ and libgcc linked in; glibc stays
#                                      dynamic, since a static glibc cannot load iconv's code page
#                                      modules)
# Each unpacks into one folder that is itself the sample championship, ready to run (the program
# beside its rostrum.conf and event folders), with the documents in docs/. VERSION is what
# `rostrum --version` prints. scripts/check-release.sh checks both as a user would.
set -eu
cd "$(dirname "$0")/.."
scripts/need-packages.sh cmake make g++ libboost-dev nlohmann-json3-dev g++-mingw-w64-x86-64

cmake -S . -B build-dist-linux -DCMAKE_BUILD_TYPE=Release -DROSTRUM_TESTS=OFF \
    "-DCMAKE_EXE_LINKER_FLAGS=-static-libstdc++ -static-libgcc -s"
cmake --build build-dist-linux -j"$(nproc)" --target rostrum
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build-windows -j"$(nproc)" --target rostrum

version=$(build-dist-linux/rostrum --version | sed -n 's/^rostrum \([0-9][0-9.]*\).*/\1/p')
if [ -z "$version" ]; then
    echo "release.sh: no version in: $(build-dist-linux/rostrum --version)" >&2
    exit 1
fi

stage=dist/stage
rm -rf "$stage"
mkdir -p "$stage"

# The documents: the quick start, the organiser's part of the README (everything before its
# developers' section, without the markers its test reads), every key explained, the modern set.
documents() {
    mkdir -p "$1/docs/templates"
    cp docs/quick-start.txt "$1/docs/quick-start.txt"
    {
        echo "rostrum $version: the organiser's guide"
        echo
        sed -n '/^rostrum turns the multiplayer/,/^## For developers/p' README.md |
            sed '$d' | grep -v '^<!-- expect'
    } >"$1/docs/guide.txt"
    cp examples/annotated.conf "$1/docs/annotated.conf"
    cp examples/templates/*.html "$1/docs/templates/"
}

# The sample championship: its rostrum.conf and event folders with their replays and event files
# (not the replays' text descriptions).
sample() {
    cp examples/championship/rostrum.conf "$1/"
    for event in examples/championship/*/; do
        name=$(basename "$event")
        mkdir -p "$1/$name"
        for file in "$event"*.mpr "$event"rostrum.conf; do
            if [ -e "$file" ]; then
                cp "$file" "$1/$name/"
            fi
        done
    done
}

# The texts for Windows end their lines with CR LF, as every Windows editor reads them.
crlf() {
    find "$1" -type f -name '*.txt' | while read -r file; do
        sed 's/\r*$/\r/' "$file" >"$file.crlf" && mv "$file.crlf" "$file"
    done
}

windows="rostrum-$version-windows-x64"
mkdir "$stage/$windows"
cp build-windows/rostrum.exe "$stage/$windows/"
sample "$stage/$windows"
documents "$stage/$windows"
crlf "$stage/$windows/docs"

linux="rostrum-$version-linux-x64"
mkdir "$stage/$linux"
cp build-dist-linux/rostrum "$stage/$linux/"
sample "$stage/$linux"
documents "$stage/$linux"

# The same sources give the same archives: files in name order, with the commit's time.
stamp=$(git log -1 --format=%ct 2>/dev/null || echo 0)
find "$stage" -exec touch -d "@$stamp" {} +
rm -f "dist/$windows.zip" "dist/$linux.tar.gz"
(cd "$stage" && find "$windows" -type f | LC_ALL=C sort >../windows.list &&
    cmake -E tar cf "../$windows.zip" --format=zip --files-from=../windows.list)
tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$stamp" \
    -czf "dist/$linux.tar.gz" "$linux"
rm -f dist/windows.list
ls -l "dist/$windows.zip" "dist/$linux.tar.gz"
