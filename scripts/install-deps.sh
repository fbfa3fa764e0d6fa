#!/usr/bin/env bash
# Installs what zefexp needs on Debian 12: compilers (Linux, clang for the sanitizer
# build and the fuzz targets, and mingw-w64), the libraries of the host kit, tests and benchmarks, Wine and
# Xvfb for the Windows tests, dpkg-shlibdeps (dpkg-dev) for the Debian package's Depends
# and unzip for the package tests, and the decimal-comma locale "German" stands for.
set -euo pipefail

packages=(
  cmake g++ make clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev libmeshoptimizer-dev libassimp-dev
  assimp-testmodels assimp-utils
  locales
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine64 xvfb xauth
  dpkg-dev unzip
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# setlocale(LC_NUMERIC, "German") resolves through glibc's alias "german" to
# de_DE.ISO-8859-1, whose decimal separator is a comma.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.iso88591$'; then
  localedef -i de_DE -f ISO-8859-1 de_DE.ISO-8859-1
fi
