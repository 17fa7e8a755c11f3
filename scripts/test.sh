#!/usr/bin/env bash
# Installs what is missing, builds the three builds and runs every suite:
# the native suites and, through the real Stats.dll under Wine, the i686 and
# x86_64 suites. Exits non-zero when anything fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$@"
cd "$root/build/native"
ctest --output-on-failure -j "${STATS_JOBS:-$(nproc)}"
