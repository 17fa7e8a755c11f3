#!/usr/bin/env bash
# Installs what is missing, builds the three builds and runs every suite:
# the native suites and, through the real Stats.dll under Wine, the i686 and
# x86_64 suites. Exits non-zero when anything fails.
#
# On a machine whose kernel cannot execute 32-bit programs, 32-bit Wine
# cannot start; where it could, the 32-bit Wine packages may still not be to
# be had (scripts/setup.sh then says so). In both cases the i686 DLL is still
# built and checked statically, its Wine suites are reported as skipped, and
# the run ends with a line that says why. No other cause skips a suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" test
"$root/scripts/build.sh" "$@"

probe=0
reason=$("$root/scripts/i386-probe.sh") || probe=$?
case "$probe" in
  0) export STATS_I386_RUNNABLE=yes ;;
  77) export STATS_I386_RUNNABLE=no STATS_I386_REASON=$reason ;;
  *) exit 1 ;;
esac

cd "$root/build/native"
status=0
# Two suites more than cores: the two parts of the static analysis take one
# core each for most of the run, and the Wine suites mostly wait for windows
# and for the host's thread (about 12 s of processor time in 60 s).
ctest --output-on-failure -j "$((${STATS_JOBS:-$(nproc)} + 2))" || status=$?
if [ "$STATS_I386_RUNNABLE" = no ]; then
  echo "$reason; the i686 DLL was built and checked statically, its Wine suites were skipped"
fi
exit "$status"
