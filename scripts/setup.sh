#!/usr/bin/env bash
# Installs what the build and the test suites need on a Debian 12 machine.
# Run as root. Does nothing, quietly, when everything is already there.
set -euo pipefail

native=(cmake ninja-build g++ clang llvm python3 googletest libgtest-dev
        libgmock-dev libbenchmark-dev hamradio-files)
cross=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
       binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
       wine wine64 wine32:i386 xvfb xauth)

missing=()
for p in "${native[@]}" "${cross[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages (${missing[*]}); run this script as root" >&2
  exit 1
fi
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
