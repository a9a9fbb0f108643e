#!/bin/sh
# Builds the Windows program, build-windows/rostrum.exe, with Debian's MinGW-w64 cross compiler
# (warnings are errors there too) and runs every test against it under Wine, headless: the unit
# tests built for Windows, then the end-to-end tests, whose runner is a Linux program that starts
# rostrum.exe and console_test_driver.exe through Wine.
set -eu
cd "$(dirname "$0")/.."
scripts/need-packages.sh cmake make g++ libboost-dev nlohmann-json3-dev libgtest-dev tidy googletest \
    g++-mingw-w64-x86-64 wine64

cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build-windows -j"$(nproc)"
if x86_64-w64-mingw32-objdump -p build-windows/rostrum.exe | grep -i "DLL Name: lib"; then
    echo "rostrum.exe needs a DLL of the toolchain beside it" >&2
    exit 1
fi
echo "build-windows/rostrum.exe: $(wc -c <build-windows/rostrum.exe) bytes"

# The end-to-end runner of the Linux build (the build of scripts/test.sh; made here when missing).
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target rostrum_e2e_tests

# A fresh Wine prefix of our own, created once before the tests and removed afterwards.
wine=/usr/lib/wine/wine64
WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/rostrum-wine.XXXXXX")"
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
trap 'exit 1' INT TERM
# (Without 32-bit Wine the first start reports a missing rundll32.exe; that does not matter here.)
if ! "$wine" wineboot --init >"$WINEPREFIX/boot.log" 2>&1 || ! /usr/lib/wine/wineserver -w; then
    cat "$WINEPREFIX/boot.log" >&2
    exit 1
fi

echo "Unit tests of the Windows build under Wine:"
(cd build-windows/unit_test_work && "$wine" ../rostrum_tests.exe --gtest_brief=1)
echo "End-to-end tests of the Windows build under Wine:"
# (In its own build folder: like every program linking the console module, the runner leaves a
# "rostrum.log" where it runs.)
windows_build="$PWD/build-windows"
(cd build/tests/e2e && ROSTRUM_E2E_WINDOWS="$windows_build" ROSTRUM_E2E_LAUNCHER="$wine" \
    ./rostrum_e2e_tests --gtest_brief=1)
