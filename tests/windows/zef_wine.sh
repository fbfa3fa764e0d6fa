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
#       "Plug-in:" line, which names the loaded library's path, may differ. Every
#       line of a ZEF file written on Windows must end in CR LF.
#   zef_wine.sh x11-prefix-init PREFIX      a prefix that draws with Wine's X11 driver
#   zef_wine.sh pictures PREFIX WINDOWS_EXE OUT_DIR CHECKER RC_FILE -- SESSION [FILE]...
#       runs the session script with zefhost.exe on an Xvfb display in OUT_DIR (with
#       copies of the files), then checks each picture it left with
#       CHECKER RC_FILE DIALOG_ID PICTURE; pictures named dialog-ID-*.png are dialogs
#       or pages of that template, the others windows.
#   zef_wine.sh window PREFIX LINUX_EXE WINDOWS_EXE OUT_DIR CHECKER -- SCRIPT SESSION
#       plays the window script in zefhost.exe's host window on an Xvfb display and
#       the session with zefhost on Linux; every file the session leaves must be the
#       same from the window, and its pictures must pass CHECKER.
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

# Makes PREFIX afresh with the graphics driver DRIVER (null or x11) and waits for its
# wineserver to finish. Wine now and then dies while it starts, before it has made
# anything; a failed boot is retried from an empty folder, up to three times, and
# every failed attempt's output is shown so that a lasting fault can be read (the last
# attempt's folder stays for a look).
boot_prefix() {
  local prefix="$1" driver="$2" log="$1.boot-log" attempts=3 attempt
  use_prefix "$prefix"
  for ((attempt = 1; attempt <= attempts; ++attempt)); do
    rm -rf "$prefix"
    mkdir -p "$prefix"
    if { "$(wine_program)" wineboot -i &&
      "$(wine_program)" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$driver" /f &&
      "$(wineserver_program)" -w; } </dev/null >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
    echo "zef_wine.sh: Wine could not make the prefix $prefix (attempt $attempt of $attempts):" >&2
    cat "$log" >&2
    "$(wineserver_program)" -k 2>/dev/null || true
  done
  rm -f "$log"
  return 1
}

prefix_init() {
  boot_prefix "$1" null
  # Persistent until prefix-remove, so each run starts fast. Its output goes nowhere:
  # a server holding the test's pipe would keep the test from ending.
  "$(wineserver_program)" -p </dev/null >/dev/null 2>&1
}

x11_prefix_init() {
  boot_prefix "$1" x11
}

# Lines of a Windows ZEF file that do not end in CR LF, as "file:line".
lines_without_crlf() {
  local dir="$1"
  while IFS= read -r f; do
    awk -v f="$f" '!/\r$/ { print f ":" NR }' "$dir/$f"
    if [ -s "$dir/$f" ] && [ "$(tail -c1 "$dir/$f" | od -An -c | tr -d ' ')" != '\n' ]; then
      echo "$f: the last line has no line end"
    fi
  done < <(cd "$dir" && find . -type f -name '*.zef' | sort)
}

# Runs zefhost.exe with ARGS in DIR on a fresh Xvfb display, output in DIR/session.*.
# The display and the Wine session end together: the wineserver is stopped before
# xvfb-run returns, so no Wine process keeps a dead display.
on_display() {
  local dir="$1" exe="$2"
  shift 2
  local args=""
  for a in "$@"; do args+=" '$a'"; done
  (cd "$dir" && xvfb-run -a -s "-screen 0 1920x1080x24" bash -c \
    "'$(wine_program)' '$exe'$args; code=\$?; '$(wineserver_program)' -k; exit \$code" \
    >"$dir/session.out" 2>"$dir/session.err")
}

# The host window played by a window script on Windows against the same steps as a
# zefhost session on Linux: the files both leave must agree.
window_scenario() {
  local prefix="$1" linux_exe="$2" windows_exe="$3" out="$4" checker="$5"
  shift 5
  [ "${1:-}" = -- ] && shift
  local script="$1" session="$2"
  use_prefix "$prefix"
  rm -rf "$out"
  mkdir -p "$out/linux" "$out/windows"
  cp "$script" "$out/windows/"
  cp "$session" "$out/linux/"
  local failed=0 code=0
  (cd "$out/linux" && "$linux_exe" run "$(basename "$session")" >session.out 2>session.err) ||
    { echo "the Linux session failed:"; cat "$out/linux/session.err"; return 1; }
  on_display "$out/windows" "$windows_exe" open --play "$(basename "$script")" || code=$?
  # Wine's own notes (lines "wine: ...", e.g. about the Z: drive's label) aside.
  if [ "$code" != 0 ] || grep -qv '^wine: ' "$out/windows/session.err"; then
    echo "the host window failed (exit code $code):"
    cat "$out/windows/session.out" "$out/windows/session.err"
    failed=1
  fi
  while IFS= read -r f; do
    case "$f" in ./session.out | ./session.err | "./$(basename "$session")") continue ;; esac
    if [ ! -f "$out/windows/$f" ]; then
      echo "the host window left no $f"
      failed=1
    elif ! diff -u <(normalised "$out/linux/$f") <(normalised "$out/windows/$f") \
      --label "Linux $f" --label "Windows $f" >"$out/$f.diff"; then
      head -40 "$out/$f.diff"
      failed=1
    else
      echo "$f: the same from the host window as from the session"
    fi
  done < <(cd "$out/linux" && find . -type f | sort)
  local crlf
  crlf="$(lines_without_crlf "$out/windows")"
  if [ -n "$crlf" ]; then
    echo "lines of Windows ZEF files without CR LF:"
    echo "$crlf" | head -20
    failed=1
  fi
  for picture in "$out"/windows/*.png; do
    [ -e "$picture" ] || { echo "the host window left no picture"; failed=1; continue; }
    "$checker" - - "$picture" || failed=1
  done
  return "$failed"
}

pictures() {
  local prefix="$1" windows_exe="$2" out="$3" checker="$4" rc="$5"
  shift 5
  [ "${1:-}" = -- ] && shift
  local session="$1"
  shift
  use_prefix "$prefix"
  rm -rf "$out"
  mkdir -p "$out"
  cp "$session" "$out/"
  for f in "$@"; do cp "$f" "$out/"; done
  local rc_code=0
  on_display "$out" "$windows_exe" run "$(basename "$session")" || rc_code=$?
  cat "$out/session.out"
  if [ "$rc_code" != 0 ] || [ -s "$out/session.err" ]; then
    echo "the session failed (exit code $rc_code):"
    cat "$out/session.err"
    return 1
  fi
  local failed=0 count=0
  for picture in "$out"/*.png; do
    [ -e "$picture" ] || continue
    count=$((count + 1))
    local name id
    name="$(basename "$picture")"
    if [[ "$name" =~ ^dialog-([0-9]+)- ]]; then id="${BASH_REMATCH[1]}"; else id=-; fi
    if [ "$id" = - ]; then
      "$checker" - - "$picture" || failed=1
    else
      "$checker" "$rc" "$id" "$picture" || failed=1
    fi
  done
  if [ "$count" = 0 ]; then
    echo "the session left no pictures"
    failed=1
  fi
  return "$failed"
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
  local crlf
  crlf="$(lines_without_crlf "$work/windows")"
  if [ -n "$crlf" ]; then
    echo "lines of Windows ZEF files without CR LF:"
    echo "$crlf" | head -20
    failed=1
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
  x11-prefix-init) x11_prefix_init "$@" ;;
  pictures) pictures "$@" ;;
  window) window_scenario "$@" ;;
  compare) compare "$@" ;;
  run) run_one "$@" ;;
  crlf) crlf "$@" ;;
  *)
    echo "usage: zef_wine.sh prefix-init|prefix-remove|x11-prefix-init|compare|run|crlf|pictures|window ..." >&2
    exit 2
    ;;
esac
