#!/usr/bin/env bash
# Sweeps Debian's assimp-testmodels through zefhost and rewrites docs/corpus.md.
# Usage: scripts/corpus.sh [BUILD_DIR]   (default: build; built first with -j2)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" -j2 --target corpus_sweep zefhost zefexp
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/bin/corpus_sweep" --zefhost "$build/bin/zefhost" --plugin "$build/bin/zefexp.dle" \
  --corpus /usr/share/assimp/models --work "$work" --out "$root/docs/corpus.md" --jobs 2 \
  --timeout 60
