#!/usr/bin/env bash
# Tells whether this machine can execute 32-bit x86 programs, which 32-bit
# Wine needs. Some kernels cannot (no IA-32 emulation): their i386 loader
# fails with "Exec format error", and only then do the i686 Wine suites skip.
#   exit 0   yes
#   exit 77  the kernel refuses 32-bit programs; the reason on stdout
#   exit 1   anything else (the loader missing, or failing another way)
# STATS_I386_LOADER names another loader to try (the tests use it).
set -uo pipefail
loader=${STATS_I386_LOADER:-/lib/ld-linux.so.2}
if [ ! -e "$loader" ]; then
  echo "i386 probe: $loader is missing (libc6:i386 is not installed; run scripts/setup.sh)" >&2
  exit 1
fi
if out=$("$loader" --version 2>&1); then
  exit 0
fi
case "$out" in
  *"Exec format error"*)
    echo "this machine cannot execute 32-bit programs ($loader: Exec format error)"
    exit 77
    ;;
esac
echo "i386 probe: $loader --version failed: $out" >&2
exit 1
