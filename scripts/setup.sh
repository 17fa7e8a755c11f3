#!/usr/bin/env bash
# Installs, on a Debian 12 machine, what one of the project's commands needs:
#   scripts/setup.sh run       the main job (scripts/run.sh): a C++ compiler,
#                              CMake, Ninja, the country file and the
#                              libraries of yodx serve
#   scripts/setup.sh package   the release (scripts/package.sh): the cross
#                              compilers and the country file
#   scripts/setup.sh test      the test command (scripts/test.sh): all the
#                              suites need, Wine and Chromium among it
# Does nothing, quietly and without root, when everything is already there.
# Installing needs root: as root it calls apt-get directly, otherwise through
# sudo, and it stops with a clear message when neither is possible.
#
# 32-bit Wine (wine32:i386) is for the test command's i686 suites only. It is
# not asked for where the kernel cannot execute 32-bit programs. Where it
# could run but cannot be had (an i386 index in the middle of a mirror sync,
# packages held back), everything else is installed, one line says what was
# left out and why, and the reason is kept in build/i386-left-out for the
# test command, which then skips the i686 Wine suites and says so. With
# --strict (or STATS_SETUP_STRICT=yes), as on a release machine, any package
# that cannot be had fails the set-up.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

# One list per purpose. The main job builds the native yodx, whose serve
# command needs its HTTP server, database, hashing and zip.
run=(g++ cmake ninja-build hamradio-files
     pkg-config libcpp-httplib-dev libsqlite3-dev libssl-dev zlib1g-dev libzip-dev)
package=(cmake ninja-build python3 hamradio-files
         g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
         binutils-mingw-w64-i686 binutils-mingw-w64-x86-64)
test=("${run[@]}" "${package[@]}"
      clang llvm libclang-rt-14-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
      clang-tidy cppcheck valgrind chromium
      wine wine64 xvfb xauth
      # what the log robot's tests drive it with: Chromium's DevTools
      # protocol, curl, the database's shell
      python3-websocket curl sqlite3)
i386=(wine32:i386)

purpose=${1:-}
strict=${STATS_SETUP_STRICT:-no}
[ "${2:-}" = --strict ] && strict=yes
case "$purpose" in
  run) wanted=("${run[@]}") ;;
  package) wanted=("${package[@]}") ;;
  test) wanted=("${test[@]}") ;;
  *) echo "usage: scripts/setup.sh run|package|test [--strict]" >&2; exit 2 ;;
esac
left_out_file=$root/build/i386-left-out

installed() {  # package
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for p in "${wanted[@]}"; do
  installed "$p" || missing+=("$p")
done
missing_i386=()
if [ "$purpose" = test ]; then
  # The kernel's own answer, from a program of a few bytes: no 32-bit
  # package is needed to ask it.
  if "$here/i386-probe.sh" --kernel >/dev/null; then
    for p in "${i386[@]}"; do
      installed "$p" || missing_i386+=("$p")
    done
  fi
  [ ${#missing_i386[@]} -gt 0 ] || rm -f "$left_out_file"
fi
all_missing=("${missing[@]}" "${missing_i386[@]}")
[ ${#all_missing[@]} -eq 0 ] && exit 0

# The 32-bit packages left out, and why: the test command reads the reason.
leave_out_i386() {  # why
  if [ "$strict" = yes ]; then
    echo "setup: could not install ${missing_i386[*]}: $1" >&2
    exit 1
  fi
  mkdir -p "$(dirname "$left_out_file")"
  echo "the 32-bit Wine packages could not be installed (${missing_i386[*]}: $1)" >"$left_out_file"
  echo "setup: left out ${missing_i386[*]}, so the i686 Wine suites will be skipped: $1"
}

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  echo "setup: not root; installing through sudo"
  as_root=(sudo)
elif [ ${#missing[@]} -eq 0 ]; then
  leave_out_i386 "installing them needs root, and this shell is not root and has no sudo"
  exit 0
else
  echo "setup: missing packages: ${all_missing[*]}" >&2
  echo "setup: installing them needs root, and this shell is not root and has no sudo;" \
       "run scripts/setup.sh $purpose as root once" >&2
  exit 1
fi
apt=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)

echo "setup: installing ${all_missing[*]}"
if [ ${#missing_i386[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
# A mirror in the middle of a sync serves an index that does not match its
# release file for a while: asked again after a pause, unless only the i386
# indexes fail, which cost the i386 packages and nothing else.
i386_index_error=
for attempt in 1 2 3; do
  status=0
  update_log=$("${apt[@]}" update -qq 2>&1) || status=$?
  errors=$(grep '^E: Failed to fetch' <<<"$update_log" || true)
  other_errors=$(grep -v -E 'binary-i386|i386\.deb' <<<"$errors" || true)
  if [ "$status" -eq 0 ] || { [ -n "$errors" ] && [ -z "$other_errors" ]; }; then
    # The first error or warning about an i386 index: the reason a user
    # will be told if the i386 packages then cannot be had.
    i386_index_error=$(grep -E '^[EW]: .*i386' <<<"$update_log" | head -n 1 |
                       sed 's/ *\[IP:.*//' || true)
    break
  fi
  if [ "$attempt" -eq 3 ]; then
    echo "setup: the package lists are still incomplete; installing from what there is:" >&2
    grep '^[EW]:' <<<"$update_log" | head -n 3 >&2 || true
  else
    echo "setup: package lists incomplete, asking again in 30 s"
    sleep 30
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  status=0
  install_log=$("${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" 2>&1) || status=$?
  if [ "$status" -ne 0 ]; then
    echo "setup: could not install ${missing[*]} (apt-get status $status):" >&2
    grep '^E:' <<<"$install_log" | head -n 5 >&2 || tail -n 5 <<<"$install_log" >&2
    exit 1
  fi
fi

if [ ${#missing_i386[@]} -gt 0 ]; then
  status=0
  install_log=$("${apt[@]}" install -y -qq --no-install-recommends "${missing_i386[@]}" 2>&1) ||
    status=$?
  if [ "$status" -eq 0 ]; then
    rm -f "$left_out_file"
  else
    why=$(grep '^E:' <<<"$install_log" | head -n 1 || true)
    [ -n "$why" ] || why="apt-get status $status"
    [ -z "$i386_index_error" ] || why="$i386_index_error; $why"
    leave_out_i386 "$why"
  fi
fi
