#!/usr/bin/env bash
# Tries small changes to the sources and says whether the fast Linux tests catch them.
#   scripts/mutate.sh FILE 'PERL_SUBST'     one change: perl -pe PERL_SUBST on FILE
#   scripts/mutate.sh --list LIST           every line of LIST: FILE<TAB>SUBST<TAB>what it breaks
# The change is made in a copy of the sources (build-mutate/src), built incrementally
# in build-mutate/src/build (the same relative place as build/, so ccache serves the
# first build from the worktree's own compiles), and the tests run without the Wine tests, the corpus sweep
# and the fuzz runs. Prints "caught", "missed", "not applied" (the substitution
# changed nothing) or "no build" (the change does not compile) per change; --list
# ends with the score. Exit code: 0 when every change was caught.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/compiler-cache.sh"
work="$root/build-mutate"
src="$work/src"
build="$src/build"
export CCACHE_NOHASHDIR=1
jobs="${MUTATE_JOBS:-2}"

sync_sources() {
  mkdir -p "$src"
  # Only files whose content differs are copied, and they get a new time, so make
  # rebuilds what a previous change touched.
  (cd "$root" && git ls-files -co --exclude-standard) | while IFS= read -r f; do
    [ -f "$root/$f" ] || continue
    if ! cmp -s "$root/$f" "$src/$f"; then
      mkdir -p "$(dirname "$src/$f")"
      cp "$root/$f" "$src/$f"
    fi
  done
}

configure() {
  [ -f "$build/CMakeCache.txt" ] && return 0
  cmake -S "$src" -B "$build" -DZEF_WINDOWS_TESTS=OFF -DZEF_BUILD_BENCH=OFF \
    "${compiler_cache_args[@]}" >/dev/null
}

# The plug-in's own tests run first: they catch most changes, and quickly.
first_tests="${MUTATE_FIRST:-ResourceTables|Option|UtilityDefaults|DialogProcedures|Prepare|WriterShapes|UtilityApply|ExportTest|UtilityTest}"

build_and_test() {
  cmake --build "$build" -j"$jobs" >"$work/build.log" 2>&1 || return 2
  (cd "$build" && ctest -j"$jobs" -LE 'windows|corpus|fuzz' -R "$first_tests" --stop-on-failure \
    --timeout 300 >"$work/test.log" 2>&1) || return 1
  (cd "$build" && ctest -j"$jobs" -LE 'windows|corpus|fuzz' --stop-on-failure --timeout 300 \
    >"$work/test.log" 2>&1) || return 1
  return 0
}

# try FILE SUBST: prints the outcome and returns 0 when caught.
try_one() {
  local file="$1" subst="$2"
  sync_sources
  if [ ! -f "$src/$file" ]; then
    echo "not applied (no file $file)"
    return 1
  fi
  cp "$src/$file" "$work/original"
  perl -pi -e "$subst" "$src/$file"
  if cmp -s "$src/$file" "$work/original"; then
    echo "not applied"
    return 1
  fi
  build_and_test
  case $? in
    0) echo "missed"; return 1 ;;
    1) echo "caught ($(grep -A1 "tests FAILED" "$work/test.log" | tail -1 | xargs))"; return 0 ;;
    2) echo "no build"; return 1 ;;
  esac
}

mkdir -p "$work"
sync_sources
configure || { echo "configure failed"; exit 2; }

if [ "${1:-}" = --list ]; then
  list="$2"
  total=0 caught=0
  while IFS=$'\t' read -r file subst what; do
    case "$file" in ''|'#'*) continue ;; esac
    total=$((total + 1))
    printf '%-32s %-50s ' "$file" "${what:-}"
    if try_one "$file" "$subst"; then caught=$((caught + 1)); fi
  done <"$list"
  sync_sources
  echo "score: $caught of $total caught"
  [ "$caught" = "$total" ]
  exit $?
fi

[ $# -eq 2 ] || { echo "usage: scripts/mutate.sh FILE 'PERL_SUBST' | --list LIST" >&2; exit 2; }
try_one "$1" "$2"
status=$?
sync_sources
exit $status
