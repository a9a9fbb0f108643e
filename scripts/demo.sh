#!/bin/sh
# Builds rostrum and runs it on fresh copies of the sample championship in examples/: once with the
# built-in page templates (build-release/demo/), once with the modern page set of
# examples/templates/ (build-release/demo-modern/championship-modern/); then on a copy of the
# multi-class example (build-release/demo-multiclass/).
set -eu
cd "$(dirname "$0")/.."
scripts/need-packages.sh cmake make g++ libboost-dev nlohmann-json3-dev
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DROSTRUM_TESTS=OFF
cmake --build build-release -j"$(nproc)" --target rostrum
rostrum="$PWD/build-release/rostrum"

rm -rf build-release/demo
cp -r examples/championship build-release/demo
status=0
(cd build-release/demo && "$rostrum") || status=$?

# The modern configuration names its rules and templates by relative paths (../championship,
# ../templates), so it runs in a copy of examples/ that also holds the sample's event folders.
rm -rf build-release/demo-modern
mkdir build-release/demo-modern
cp -r examples/championship examples/championship-modern examples/templates build-release/demo-modern/
for event in examples/championship/*/; do
    cp -r "$event" build-release/demo-modern/championship-modern/
done
modern_status=0
(cd build-release/demo-modern/championship-modern && "$rostrum") || modern_status=$?

rm -rf build-release/demo-multiclass
cp -r examples/championship-multiclass build-release/demo-multiclass
multiclass_status=0
(cd build-release/demo-multiclass && "$rostrum") || multiclass_status=$?

echo
echo "rostrum exited with code $status. The pages with the built-in templates:"
find "$PWD/build-release/demo" -name '*.html' | sort
echo
echo "rostrum exited with code $modern_status. The pages with the modern page set:"
find "$PWD/build-release/demo-modern/championship-modern" -name '*.html' | sort
echo
echo "rostrum exited with code $multiclass_status. The multi-class championship's website:"
find "$PWD/build-release/demo-multiclass" -name '*.html' | sort
[ "$status" -ne 0 ] && exit "$status"
[ "$modern_status" -ne 0 ] && exit "$modern_status"
exit "$multiclass_status"
