#!/bin/sh
# Builds rostrum and runs it on a fresh copy of the sample championship in examples/.
set -eu
cd "$(dirname "$0")/.."
scripts/need-packages.sh cmake make g++ libboost-dev nlohmann-json3-dev
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DROSTRUM_TESTS=OFF
cmake --build build-release -j"$(nproc)" --target rostrum
rm -rf build-release/demo
cp -r examples/championship build-release/demo
cd build-release/demo
status=0
../rostrum || status=$?
echo
echo "rostrum exited with code $status. The pages are in $(pwd):"
find . -name '*.html' | sort
exit $status
