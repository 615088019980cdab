#!/usr/bin/env bash
# Installs the Debian packages that building and running the program need, and only those that
# are missing; with --test, also what the tests and the benchmark add, among them Node.js and the
# CycloneDX validator's npm packages. Says what it installs. Safe to run again: a machine that has
# everything is left alone.
set -euo pipefail

testing=0
case "${1:-}" in
  "") ;;
  --test) testing=1 ;;
  *) echo "usage: $0 [--test]" >&2; exit 2 ;;
esac

need_i386=0
missing=()
want() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' || missing+=("$1"); }

# Building: the host's brantel-inspect, which the cross build runs, with the hash of the bill of
# materials and the components' signatures and its CycloneDX document; the cross compiler.
want cmake
want make
want g++
want libssl-dev
want nlohmann-json3-dev
want g++-mingw-w64-i686-win32
want binutils-mingw-w64-i686
# osslsigncode signs Brantel.exe when the build is given a certificate; openssl makes the
# stand-ins' padding, and the signing tests' throwaway certificate authority.
want osslsigncode
want openssl
# Running the program: Wine (32- and 64-bit), a virtual display, fonts, the automation's key
# presses, which come through the X server as a user's would.
want wine
want wine64
want xvfb
want xauth
want xdotool
# DejaVu Sans Mono and DejaVu Sans are what a prefix gives the window's fonts (see README).
want fonts-liberation
want fonts-wine
want fonts-dejavu-core
want python3
# The harness reads and writes its screenshots and pictures (BMP, PNG) with Pillow.
want python3-pil
if [ $testing -eq 1 ]; then
  # The host build's unit tests, fuzzing, llvm-readobj and the format check.
  want libgtest-dev
  want clang
  want llvm
  want libclang-rt-14-dev
  want zlib1g-dev
  want clang-format
  # The CycloneDX project's validator of the bill of materials' document.
  want nodejs
  # Some builds of nodejs bring npm with them, and Debian's npm package conflicts with those.
  command -v npm >/dev/null 2>&1 || missing+=("npm")
  # The benchmark's peer: a silent installer that NSIS builds from the same payload.
  want nsis
fi
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  missing+=("wine32:i386")
  need_i386=1
fi

if [ ${#missing[@]} -ne 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing missing packages: ${missing[*]}"
  if [ $need_i386 -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Enabling the i386 architecture for Wine's 32-bit part"
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  echo "Installed: ${missing[*]}"
fi

[ $testing -eq 1 ] || exit 0

# The validator's npm packages, at the exact versions package-lock.json pins, in the build tree
# where the host build's tests look for them. Installed again only when the lock file changes.
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
pinned="$top/tools/testing/validate"
npm_dir="$top/build/npm"
if ! cmp -s "$pinned/package-lock.json" "$npm_dir/installed-lock.json"; then
  echo "Installing the CycloneDX validator's npm packages into $npm_dir"
  rm -rf "$npm_dir"
  mkdir -p "$npm_dir"
  cp "$pinned/package.json" "$pinned/package-lock.json" "$npm_dir/"
  npm ci --prefix "$npm_dir" --no-audit --no-fund --loglevel=error >/dev/null
  cp "$pinned/package-lock.json" "$npm_dir/installed-lock.json"
fi
