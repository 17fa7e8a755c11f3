#!/usr/bin/env bash
# The plug-in's files on a disk that fills up, for real: the suite's
# full-disk test on a small tmpfs, mounted as the temporary folder in a
# mount namespace of the check's own.
#   check_full_disk.sh stats_tests
set -uo pipefail
tests=$(readlink -f "$1")
disk=$(mktemp -d)
trap 'rmdir "$disk"' EXIT

# Root gets a mount namespace of its own; anyone else one inside a user
# namespace where it is root.
isolate=(unshare -m)
[ "$(id -u)" -eq 0 ] || isolate=(unshare -r -m)
if ! err=$("${isolate[@]}" true 2>&1); then
  echo "FAIL cannot make a private mount namespace: $err"
  exit 1
fi

out=$("${isolate[@]}" bash -s "$tests" "$disk" 2>&1 <<'INSIDE'
set -euo pipefail
tests=$1 disk=$2
mount -t tmpfs -o size=256k stats-full-disk "$disk"
TMPDIR=$disk STATS_SMALL_DISK=1 "$tests" --gtest_filter='FileFaultTest.FullDisk*'
INSIDE
)
status=$?
echo "$out" | grep -E '^\[ *(OK|FAILED|SKIPPED|PASSED) *\]|Failure|Expected|Which is|actual' || true
if [ "$status" -ne 0 ] || ! grep -q '^\[  PASSED  \] 1 test' <<<"$out" || grep -q SKIPPED <<<"$out"; then
  echo "FAIL the full-disk test (status $status)"
  exit 1
fi
echo "ok   every file the plug-in writes keeps its previous content on a full disk"
