#!/usr/bin/env bash
# Runs the Windows build under Wine for the test suite.
#   zef_wine.sh prefix-init PREFIX          make a fresh Wine prefix, headless, and
#                                           keep its wineserver running
#   zef_wine.sh prefix-remove PREFIX        stop the wineserver and delete the prefix
#   zef_wine.sh run PREFIX WINDOWS_EXE ARGS...  runs one Windows program in its folder
#   zef_wine.sh crlf PREFIX WINDOWS_EXE OUTPUT -- ARGS...
#       runs the program with ARGS in a scratch folder and fails unless it wrote OUTPUT
#       with every line ending in CR LF, no other CR or LF, and nothing after the last
#   zef_wine.sh compare PREFIX LINUX_EXE WINDOWS_EXE [--file F]... -- ARGS...
#       runs both programs with ARGS, each in a scratch folder holding copies of the
#       files F, and fails unless exit code, standard output, standard error and every
#       file left in the folder agree. Line ends are compared without CR, and the
#       "Plug-in:" line, which names the loaded library's path, may differ.
# Windows runs are headless: the prefix uses Wine's null graphics driver. With
# ZEF_WINE_XVFB=1 they run on an Xvfb display instead.
set -euo pipefail

wine_program() {
  if command -v wine >/dev/null; then echo wine; else echo /usr/lib/wine/wine64; fi
}
wineserver_program() {
  if command -v wineserver >/dev/null; then echo wineserver; else echo /usr/lib/wine/wineserver; fi
}

use_prefix() {
  export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

run_windows() {
  if [ "${ZEF_WINE_XVFB:-0}" = 1 ]; then
    xvfb-run -a "$(wine_program)" "$@"
  else
    "$(wine_program)" "$@"
  fi
}

prefix_init() {
  rm -rf "$1"
  mkdir -p "$1"
  use_prefix "$1"
  "$(wine_program)" wineboot -i >/dev/null 2>&1
  "$(wine_program)" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  "$(wineserver_program)" -w
  # Persistent until prefix-remove, so each run starts fast. Its output goes nowhere:
  # a server holding the test's pipe would keep the test from ending.
  "$(wineserver_program)" -p </dev/null >/dev/null 2>&1
}

prefix_remove() {
  use_prefix "$1"
  "$(wineserver_program)" -k 2>/dev/null || true
  rm -rf "$1"
}

# Folder contents with CR removed and the plug-in path masked.
normalised() {
  tr -d '\r' <"$1" | sed -e 's/^Plug-in: .*/Plug-in: <path>/'
}

compare() {
  local prefix="$1" linux_exe="$2" windows_exe="$3"
  shift 3
  local files=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    [ "$1" = --file ] && { files+=("$2"); shift 2; continue; }
    echo "zef_wine.sh: unknown option $1" >&2
    return 2
  done
  shift # --
  use_prefix "$prefix"
  local work
  work="$(mktemp -d)"
  mkdir "$work/linux" "$work/windows"
  for f in "${files[@]}"; do cp "$f" "$work/linux/" && cp "$f" "$work/windows/"; done

  local linux_rc=0 windows_rc=0
  (cd "$work/linux" && "$linux_exe" "$@" >"$work/linux.out" 2>"$work/linux.err") || linux_rc=$?
  (cd "$work/windows" && run_windows "$windows_exe" "$@" >"$work/windows.out" \
    2>"$work/windows.err") || windows_rc=$?

  local failed=0
  if [ "$linux_rc" != "$windows_rc" ]; then
    echo "exit code: Linux $linux_rc, Windows $windows_rc"
    failed=1
  fi
  for stream in out err; do
    if ! diff -u <(normalised "$work/linux.$stream") <(normalised "$work/windows.$stream") \
      --label "Linux std$stream" --label "Windows std$stream"; then
      failed=1
    fi
  done
  if ! diff <(cd "$work/linux" && find . -type f | sort) \
    <(cd "$work/windows" && find . -type f | sort) >/dev/null; then
    echo "different files left behind:"
    diff <(cd "$work/linux" && find . -type f | sort) <(cd "$work/windows" && find . -type f | sort) || true
    failed=1
  else
    while IFS= read -r f; do
      if ! diff -u <(normalised "$work/linux/$f") <(normalised "$work/windows/$f") \
        --label "Linux $f" --label "Windows $f" >/dev/null; then
        echo "file $f differs:"
        diff -u <(normalised "$work/linux/$f") <(normalised "$work/windows/$f") | head -40 || true
        failed=1
      fi
    done < <(cd "$work/linux" && find . -type f | sort)
  fi
  if [ "$failed" = 0 ]; then
    echo "same on Linux and Windows (exit code $linux_rc):"
    cat "$work/linux.out"
  fi
  rm -rf "$work"
  return "$failed"
}

run_one() {
  local prefix="$1" exe="$2"
  shift 2
  use_prefix "$prefix"
  cd "$(dirname "$exe")" && run_windows "$exe" "$@"
}

crlf() {
  local prefix="$1" exe="$2" output="$3"
  shift 4 # the -- too
  use_prefix "$prefix"
  local work rc=0
  work="$(mktemp -d)"
  (cd "$work" && run_windows "$exe" "$@" >"$work/stdout.txt" 2>&1) || rc=$?
  local file="$work/$output" failed=0
  if [ ! -s "$file" ]; then
    echo "no $output written (exit code $rc)"
    cat "$work/stdout.txt"
    failed=1
  else
    local lf cr crlf last
    lf=$(tr -cd '\n' <"$file" | wc -c)
    cr=$(tr -cd '\r' <"$file" | wc -c)
    crlf=$(LC_ALL=C grep -c $'\r$' "$file" || true)
    last=$(tail -c 2 "$file" | od -An -tx1 | tr -d ' \n')
    echo "$lf lines, $cr CR, $crlf CR LF, ends in $last"
    if [ "$lf" != "$cr" ] || [ "$lf" != "$crlf" ] || [ "$last" != 0d0a ]; then
      echo "line ends are not CR LF throughout"
      failed=1
    fi
  fi
  rm -rf "$work"
  return "$failed"
}

command="${1:-}"
shift || true
case "$command" in
  prefix-init) prefix_init "$@" ;;
  prefix-remove) prefix_remove "$@" ;;
  compare) compare "$@" ;;
  run) run_one "$@" ;;
  crlf) crlf "$@" ;;
  *)
    echo "usage: zef_wine.sh prefix-init|prefix-remove|compare|run|crlf ..." >&2
    exit 2
    ;;
esac
