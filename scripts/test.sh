#!/usr/bin/env bash
# Builds everything and runs the whole test suite (Linux and, under Wine, Windows),
# then builds the Linux suite again with clang's AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan and runs it there: any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 900)

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DZEF_SANITIZE=ON -DZEF_WINDOWS_TESTS=OFF -DZEF_BUILD_BENCH=OFF \
  >/dev/null
cmake --build build-asan -j"$(nproc)"
# The Windows tests are not built here; the corpus sweeps and the packages are left to
# the main build.
(cd build-asan && ctest --output-on-failure -j"$(nproc)" --timeout 900 -LE 'windows|corpus|package')
