#!/usr/bin/env bash
# Builds everything and runs the whole test suite (Linux and, under Wine, Windows).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 900
