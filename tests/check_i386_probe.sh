#!/usr/bin/env bash
# The i686 Wine suites skip (status 77, with the reason) only when the i386
# loader fails with "Exec format error"; a missing loader is a failure.
#   check_i386_probe.sh WINE_RUN PROGRAM.exe
set -uo pipefail
wine_run=$1
exe=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
expect() {  # what, expected status, actual status, output
  if [ "$2" -ne "$3" ]; then
    echo "FAIL $1: status $3, expected $2: $4"
    failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}

# An ELF file for another machine: the kernel answers ENOEXEC, as it does for
# i386 programs on a kernel without 32-bit support.
cp /bin/true "$scratch/ld-foreign.so"
printf '\x02\x00' | dd of="$scratch/ld-foreign.so" bs=1 seek=18 conv=notrunc 2>/dev/null
unset STATS_I386_RUNNABLE
status=0
out=$(STATS_I386_LOADER="$scratch/ld-foreign.so" "$wine_run" i686 "$exe" 2>&1) || status=$?
expect "Exec format error skips" 77 "$status" "$out"
case "$out" in
  *"cannot execute 32-bit programs"*) echo "ok   the skip says why" ;;
  *) echo "FAIL the skip does not say why: $out"; failures=$((failures + 1)) ;;
esac

status=0
out=$(STATS_I386_LOADER="$scratch/missing.so" "$wine_run" i686 "$exe" 2>&1) || status=$?
expect "a missing loader fails" 1 "$status" "$out"

status=0
out=$(STATS_I386_LOADER=/bin/false "$wine_run" i686 "$exe" 2>&1) || status=$?
expect "a loader failing otherwise fails" 1 "$status" "$out"
exit $((failures > 0))
