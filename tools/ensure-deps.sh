#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, and only those that are missing.
# Says what it installs. Safe to run again: a machine that has everything is left alone.
set -euo pipefail

need_i386=0
missing=()
want() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' || missing+=("$1"); }

# Host build and tests.
want cmake
want make
want g++
want libgtest-dev
want clang
want llvm
want libclang-rt-14-dev
want zlib1g-dev
want clang-format
# The hash of the bill of materials, in brantel-inspect.
want libssl-dev
# Cross build.
want g++-mingw-w64-i686-win32
want binutils-mingw-w64-i686
# Signing Brantel.exe, and the signing tests' throwaway certificate authority.
want osslsigncode
want openssl
# Running the program: Wine (32- and 64-bit), a virtual display, fonts that match the design.
want wine
want wine64
want xvfb
want xauth
# Real key presses for the end-to-end tests, through the X server as a user's would come.
want xdotool
want fonts-liberation
want fonts-wine
want fonts-dejavu-core
want python3
# The benchmark's peer: a silent installer that NSIS builds from the same payload.
want nsis
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  missing+=("wine32:i386")
  need_i386=1
fi

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

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
