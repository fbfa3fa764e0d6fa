#!/usr/bin/env bash
# Runs one fuzz target for a while: scripts/fuzz.sh TARGET MINUTES [libFuzzer flags...]
# TARGET is scene_loader, option_text, zef_reader or mesh_ops. Builds the clang
# build folder build-fuzz (ASan and UBSan) when needed; new inputs go to
# build-fuzz/found/TARGET, findings to build-fuzz/findings/TARGET. Exit 0 when the
# time ran out without a finding.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET MINUTES [libFuzzer flags...]" >&2
  exit 2
fi
target=$1 minutes=$2
shift 2
build=build-fuzz
source scripts/compiler-cache.sh
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DZEF_BUILD_FUZZ=ON -DZEF_WINDOWS_TESTS=OFF \
    -DZEF_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS='-fsanitize=address,undefined' \
    "${compiler_cache_args[@]}" >/dev/null
fi
cmake --build "$build" -j2 --target "fuzz_$target"
mkdir -p "$build/found/$target" "$build/findings/$target"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
exec "$build/bin/fuzz_$target" -max_total_time=$((minutes * 60)) -max_len=4096 \
  -dict="fuzz/$target.dict" -artifact_prefix="$build/findings/$target/" \
  -print_final_stats=1 "$@" "$build/found/$target" "fuzz/corpus/$target"
