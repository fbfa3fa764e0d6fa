#!/usr/bin/env bash
# Checks the packages as a user gets them: unpacked into a scratch folder, away from
# the build tree, they must hold the conventional layout and run on their own.
#   check_package.sh deb DEB                the Debian package's files; its zefhost,
#                                           unpacked, lists the plug-in's classes and
#                                           exports the demo scene with its own host kit
#                                           and plug-in
#   check_package.sh deb-depends DEB        its Depends line names the libraries the
#                                           binaries need (Assimp, the C++ runtime, libc)
#   check_package.sh zip ZIP OBJDUMP PREFIX the Windows ZIP's files; zefhost.exe imports
#                                           no DLL that is neither in the ZIP nor part of
#                                           Windows, and, unpacked, runs under Wine with
#                                           the Wine prefix PREFIX
set -euo pipefail

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# expect_line FILE PATTERN: FILE has a line matching the extended regular expression.
expect_line() {
  grep -Eq -- "$2" "$1" || {
    echo "--- $1:" >&2
    cat "$1" >&2
    fail "no line matching '$2' in $(basename "$1")"
  }
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

check_deb() {
  local deb="$1"
  [ -f "$deb" ] || fail "no package $deb"
  dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./||' >"$scratch/list"
  for f in usr/bin/zefhost usr/lib/zefexp/hostkit.so usr/lib/zefexp/plugins/zefexp.dle \
    usr/share/doc/zefexp/README.md usr/share/doc/zefexp/zef-format.md; do
    grep -qx "$f" "$scratch/list" || fail "the package has no $f"
  done
  dpkg-deb -x "$deb" "$scratch/root"
  local root="$scratch/root"
  # The host kit must come from the package (RPATH $ORIGIN/../lib), not from a build tree.
  ldd "$root/usr/bin/zefhost" >"$scratch/ldd"
  expect_line "$scratch/ldd" "^[[:space:]]*hostkit\.so => $root/usr/(bin/\.\./)?lib/zefexp/hostkit\.so "
  mkdir "$scratch/work"
  cd "$scratch/work"
  "$root/usr/bin/zefhost" info >info.out 2>info.err || fail "zefhost info failed: $(cat info.err)"
  expect_line info.out "^Plug-in: $root/usr/lib/zefexp/plugins/zefexp\.dle$"
  expect_line info.out '^Class 0: "ASCII-Export \(ZEF\)"$'
  expect_line info.out '^Class 1: "ZEFX Utility"$'
  "$root/usr/bin/zefhost" export out.zef >export.out 2>export.err ||
    fail "zefhost export failed: $(cat export.err)"
  expect_line export.out '^Exported 9 objects, 134 vertices, 216 faces, 11 materials to out\.zef$'
  expect_line out.zef '^NumObjects: 9$'
  echo "package $(basename "$deb"): $(stat -c %s "$deb") bytes, unpacked zefhost runs"
}

check_deb_depends() {
  local deb="$1"
  dpkg-deb --field "$deb" Depends >"$scratch/depends"
  echo "Depends: $(cat "$scratch/depends")"
  expect_line "$scratch/depends" '(^|, )libassimp5( \(>= [^)]+\))?(,|$)'
  expect_line "$scratch/depends" '(^|, )libstdc\+\+6( \(>= [^)]+\))?(,|$)'
  expect_line "$scratch/depends" '(^|, )libc6( \(>= [^)]+\))?(,|$)'
}

check_zip() {
  local zip="$1" objdump="$2" prefix="$3"
  [ -f "$zip" ] || fail "no package $zip"
  local top
  top=$(basename "$zip" .zip)
  unzip -q "$zip" -d "$scratch/unpacked"
  local dir="$scratch/unpacked/$top"
  for f in zefhost.exe hostkit.dll plugins/zefexp.dle; do
    [ -f "$dir/$f" ] || fail "the ZIP has no $top/$f"
  done
  # Every DLL zefhost.exe and the plug-in import is in the folder or a Windows one (no
  # MinGW runtime DLL such as libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll).
  local dll
  for binary in zefhost.exe hostkit.dll plugins/zefexp.dle; do
    while read -r dll; do
      case "${dll,,}" in
        hostkit.dll) ;;
        kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | comdlg32.dll | shell32.dll | \
          advapi32.dll | ole32.dll | msvcrt.dll | api-ms-win-*.dll) ;;
        *) fail "$binary imports $dll, which the ZIP does not hold" ;;
      esac
    done < <("$objdump" -p "$dir/$binary" | sed -n 's/^[[:space:]]*DLL Name: //p')
  done
  export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  local wine=wine
  command -v wine >/dev/null || wine=/usr/lib/wine/wine64
  mkdir "$scratch/work"
  cd "$scratch/work"
  "$wine" "$dir/zefhost.exe" info >info.out 2>info.err ||
    fail "zefhost.exe info failed: $(cat info.err)"
  tr -d '\r' <info.out >info.txt
  expect_line info.txt '^Plug-in: .*[\\/]plugins[\\/]zefexp\.dle$'
  expect_line info.txt '^Class 0: "ASCII-Export \(ZEF\)"$'
  expect_line info.txt '^Class 1: "ZEFX Utility"$'
  echo "package $(basename "$zip"): $(stat -c %s "$zip") bytes, unpacked zefhost.exe runs"
}

command="${1:-}"
shift || true
case "$command" in
  deb) check_deb "$@" ;;
  deb-depends) check_deb_depends "$@" ;;
  zip) check_zip "$@" ;;
  *)
    echo "usage: check_package.sh deb DEB | deb-depends DEB | zip ZIP OBJDUMP PREFIX" >&2
    exit 2
    ;;
esac
