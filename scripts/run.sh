#!/usr/bin/env bash
# The main job: builds the plug-in and loads it through a small host driver
# that prints what the plug-in says about its statistics set.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/native" -G Ninja >/dev/null
cmake --build "$root/build/native" --target stats_host -j "${STATS_JOBS:-$(nproc)}" >/dev/null
"$root/build/native/bin/stats_host" "$@"
