#!/bin/sh
# Builds rostrum, its tools and every test (warnings are errors), then runs all tests (tidy checks
# that the pages of the modern page set are valid HTML5).
set -eu
cd "$(dirname "$0")/.."
scripts/need-packages.sh cmake make g++ libboost-dev nlohmann-json3-dev libgtest-dev tidy
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
