#!/usr/bin/env bash
# The i686 Wine suites skip (status 77, with the reason) only when the kernel
# refuses 32-bit programs ("Exec format error") or the set-up could not have
# the 32-bit packages; a loader missing for no known reason is a failure.
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
unset STATS_I386_RUNNABLE STATS_I386_REASON
probe() {  # environment assignments...: wine-run.sh's status in $status, its output in $out
  status=0
  out=$(env STATS_WINE32_LOADER=/bin/true STATS_I386_LEFT_OUT="$scratch/left-out" "$@" \
        "$wine_run" i686 "$exe" 2>&1) || status=$?
}

probe STATS_I386_PROGRAM="$scratch/ld-foreign.so"
expect "a kernel that refuses 32-bit programs skips" 77 "$status" "$out"
case "$out" in
  *"cannot execute 32-bit programs"*) echo "ok   the skip says why" ;;
  *) echo "FAIL the skip does not say why: $out"; failures=$((failures + 1)) ;;
esac
probe STATS_I386_LOADER="$scratch/ld-foreign.so"
expect "a loader that the kernel refuses skips" 77 "$status" "$out"

probe STATS_I386_LOADER="$scratch/missing.so"
expect "a missing loader fails" 1 "$status" "$out"
echo "the 32-bit Wine packages could not be installed (wine32:i386: E: held)" >"$scratch/left-out"
probe STATS_I386_LOADER="$scratch/missing.so"
expect "a loader that the set-up could not install skips" 77 "$status" "$out"
case "$out" in
  *"could not be installed (wine32:i386: E: held)"*) echo "ok   the skip gives the set-up's reason" ;;
  *) echo "FAIL the skip does not give the set-up's reason: $out"; failures=$((failures + 1)) ;;
esac
rm "$scratch/left-out"

probe STATS_I386_LOADER=/bin/false
expect "a loader failing otherwise fails" 1 "$status" "$out"
exit $((failures > 0))
