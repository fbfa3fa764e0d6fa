#!/usr/bin/env bash
# Builds the Linux tree and runs the Windows tests: ctest cross-builds zefhost.exe,
# zefexp.dle and hostkit.dll with mingw-w64 into <build>/windows and compares each
# scenario under Wine (headless) with the Linux build.
#   scripts/run-windows-tests.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEF_WINDOWS_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target zefhost zefexp
cd "$build"
ctest -L windows --output-on-failure
