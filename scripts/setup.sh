#!/usr/bin/env bash
# Installs what the build and the test suites need on a Debian 12 machine
# (scripts/setup.sh), or only what the release needs (scripts/setup.sh
# package: the cross compilers and the country file):
# the compilers, CMake and GoogleTest, mingw-w64, Wine (64-bit and, through
# the i386 architecture, 32-bit), Xvfb, the country file, and Chromium (a
# real browser for the pages the tool writes). Does nothing,
# quietly, when everything is already there. Installing needs root: as root
# it calls apt-get directly, otherwise through sudo, and it stops with a
# clear message when neither is possible.
set -euo pipefail

native=(cmake ninja-build g++ clang llvm libclang-rt-14-dev python3 googletest libgtest-dev
        libgmock-dev libbenchmark-dev hamradio-files clang-tidy cppcheck valgrind chromium
        # yodx serve: its HTTP server, database and hashing (zlib for its zip), and what its
        # tests drive it with (Chromium's DevTools protocol, curl, the database's shell)
        pkg-config libcpp-httplib-dev libsqlite3-dev libssl-dev zlib1g-dev python3-websocket curl
        sqlite3)
cross=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
       binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
       wine wine64 wine32:i386 xvfb xauth)

wanted=("${native[@]}" "${cross[@]}")
if [ "${1:-}" = package ]; then
  wanted=(cmake ninja-build hamradio-files g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-i686 binutils-mingw-w64-x86-64)
fi
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  echo "setup: not root; installing through sudo"
  as_root=(sudo)
else
  echo "setup: missing packages (${missing[*]})" >&2
  echo "setup: installing them needs root, and this shell is not root and has no sudo;" \
       "run scripts/setup.sh as root once" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
# A mirror in the middle of a sync serves an index that does not match its
# release file for a while: asked again after a pause.
for attempt in 1 2 3; do
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq && break
  [ "$attempt" -eq 3 ] || { echo "setup: package lists incomplete, asking again in 30 s"; sleep 30; }
done
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
