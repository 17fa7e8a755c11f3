#!/usr/bin/env bash
# Writes the release for Windows operators:
#   dist/yodx-stats-VERSION-win32.zip   for a 32-bit host
#   dist/yodx-stats-VERSION-win64.zip   for a 64-bit host
#   dist/SHA256SUMS
# Each zip holds one folder of the same name: Stats.dll and yodx.exe of its
# bitness, the quick start, LICENSE.txt, CHANGELOG.txt, the country file
# yodx reads, and lint.cmd and report.cmd (drop a log on them). VERSION is
# the one in CMakeLists.txt. Builds the two Windows trees' Stats and yodx
# first (configuring them when they are not yet).
#   scripts/package.sh [--out DIR] [--no-build]
# --no-build takes the trees as they are (the test command's own check,
# which runs after the builds).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/dist
build_first=yes
while [ $# -gt 0 ]; do
  case "$1" in
    --out) out=$2; shift 2 ;;
    --no-build) build_first=no; shift ;;
    *) echo "usage: scripts/package.sh [--out DIR] [--no-build]" >&2; exit 2 ;;
  esac
done
[ "$build_first" = no ] || "$root/scripts/setup.sh" package

version=$(sed -n 's/^project(Stats VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }
cty=/usr/share/hamradio-files/cty.dat
# Every file in the zips carries the time of the last commit, so that the
# same tree gives the same zips.
stamp=$(TZ=UTC git -C "$root" log -1 --format=%cd --date=format-local:'%Y-%m-%d %H:%M:%S' \
        2>/dev/null || date -u '+%Y-%m-%d %H:%M:%S')
stamp="$stamp UTC"

# Text for Notepad: CR LF line ends.
crlf() {  # source, destination
  sed -e 's/\r$//' -e 's/$/\r/' "$1" >"$2"
}

mkdir -p "$out"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
zips=()
for pair in win32:i686 win64:x86_64; do
  tree=${pair%%:*}
  arch=${pair##*:}
  build=$root/build/$tree
  if [ "$build_first" = yes ]; then
    if [ ! -f "$build/build.ninja" ]; then
      cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
        -DSTATS_BUILD_BENCH=OFF -DSTATS_BUILD_TESTS=OFF >/dev/null
    fi
    echo "== building Stats.dll and yodx.exe for $tree"
    cmake --build "$build" --target Stats yodx -j "${STATS_JOBS:-$(nproc)}" >/dev/null
  fi

  name=yodx-stats-$version-$tree
  folder=$stage/$name
  mkdir -p "$folder"
  cp "$build/bin/Stats.dll" "$build/bin/yodx.exe" "$cty" "$folder/"
  sed "s/@VERSION@/$version/g" "$root/packaging/QUICKSTART.txt" >"$stage/quickstart"
  crlf "$stage/quickstart" "$folder/QUICKSTART.txt"
  {
    cat "$root/LICENSE"
    printf '\n\nThe country file cty.dat: Copyright (c) 1994- Jim Reisert AD1C\n'
    printf '(www.country-files.com), under the MIT license:\n\n'
    # The license paragraph of Debian's copyright file (a "License: MIT" line
    # of its own, after a blank one), its lines indented by one blank.
    awk 'p && /^$/ { exit } p { sub(/^ /, ""); if ($0 == ".") $0 = ""; print }
         /^License: MIT$/ && previous == "" { p = 1 } { previous = $0 }' \
      /usr/share/doc/hamradio-files/copyright
  } >"$stage/license"
  crlf "$stage/license" "$folder/LICENSE.txt"
  crlf "$root/CHANGELOG.md" "$folder/CHANGELOG.txt"
  crlf "$root/packaging/lint.cmd" "$folder/lint.cmd"
  crlf "$root/packaging/report.cmd" "$folder/report.cmd"

  # Written by Python's zipfile: the same files and time give the same zip,
  # byte for byte (archivers add the access and change times of the copies).
  python3 - "$stage" "$name" "$out/$name.zip" "$stamp" <<'PY'
import os, sys, time, zipfile
stage, name, target, stamp = sys.argv[1:5]
when = time.strptime(stamp, "%Y-%m-%d %H:%M:%S UTC")[:6]
files = ["QUICKSTART.txt", "Stats.dll", "yodx.exe", "lint.cmd", "report.cmd", "cty.dat",
         "LICENSE.txt", "CHANGELOG.txt"]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
    for file in files:
        entry = zipfile.ZipInfo(f"{name}/{file}", when)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.external_attr = 0o644 << 16
        with open(os.path.join(stage, name, file), "rb") as source:
            archive.writestr(entry, source.read())
PY
  zips+=("$name.zip")
done
(cd "$out" && sha256sum "${zips[@]}" >SHA256SUMS)
echo "package: $out/${zips[0]}, $out/${zips[1]} and SHA256SUMS"
