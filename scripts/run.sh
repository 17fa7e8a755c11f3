#!/usr/bin/env bash
# The main job: builds the plug-in and the replay tool, then scores the
# bundled sample log through the real plug-in and prints the summary table.
# Arguments replace the default ones, for example:
#   scripts/run.sh score my-log.adi --cty /usr/share/hamradio-files/cty.dat
#   scripts/run.sh check examples/yo3abc.adi DL1XYZ 20m CW 123
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" run
# A tree of its own making builds no test suite or benchmark: the main job
# needs neither, nor what they need. The test command's tree is used as it is.
fresh=()
[ -f "$root/build/native/build.ninja" ] || fresh=(-DSTATS_BUILD_TESTS=OFF -DSTATS_BUILD_BENCH=OFF)
cmake -S "$root" -B "$root/build/native" -G Ninja "${fresh[@]}" >/dev/null
cmake --build "$root/build/native" --target yodx -j "${STATS_JOBS:-$(nproc)}" >/dev/null
if [ $# -eq 0 ]; then
  set -- score "$root/examples/yo3abc.adi" --out "$root/build/native/replay"
  mkdir -p "$root/build/native/replay"
fi
exec "$root/build/native/bin/yodx" "$@"
