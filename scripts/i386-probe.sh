#!/usr/bin/env bash
# Tells whether the i686 Wine suites can run here. They need a kernel that
# executes 32-bit x86 programs (some have no IA-32 emulation: there a 32-bit
# program fails with "Exec format error") and the 32-bit Wine packages.
#   i386-probe.sh            the whole question
#   i386-probe.sh --kernel   only the kernel's part (scripts/setup.sh asks it
#                            before it installs any 32-bit package)
# Exit status:
#   0   yes
#   77  no, for a reason that skips the suites: the kernel refuses 32-bit
#       programs, or scripts/setup.sh could not have the 32-bit packages
#       (it left the reason in build/i386-left-out); the reason on stdout
#   1   anything else (the packages missing for no known reason, the loader
#       failing another way): a failure
# STATS_I386_PROGRAM, STATS_I386_LOADER and STATS_WINE32_LOADER name another
# 32-bit program and loaders to try, STATS_I386_LEFT_OUT another reason file
# (the tests use them).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
loader=${STATS_I386_LOADER:-/lib/ld-linux.so.2}
wine32=${STATS_WINE32_LOADER:-/usr/lib/wine/wine}
left_out=${STATS_I386_LEFT_OUT:-$root/build/i386-left-out}
refused() {  # what
  echo "this machine cannot execute 32-bit programs ($1: Exec format error)"
  exit 77
}

# The smallest static i386 program there is: an ELF header, one segment and
# exit(0) through int 0x80.
program=${STATS_I386_PROGRAM:-}
if [ -z "$program" ]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  program=$scratch/exit0
  elf='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'           # 32-bit, LSB
  elf+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'  # exec, i386
  elf+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'
  elf+='\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'  # a segment
  elf+='\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00'
  elf+='\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80'              # exit(0)
  printf "$elf" >"$program"
  chmod +x "$program"
fi
if ! out=$("$program" 2>&1); then
  case "$out" in
    *"Exec format error"*) refused "a 32-bit program" ;;
  esac
  echo "i386 probe: a 32-bit program failed: $out" >&2
  exit 1
fi
[ "${1:-}" = --kernel ] && exit 0

if [ ! -e "$loader" ] || [ ! -e "$wine32" ]; then
  if [ -s "$left_out" ]; then
    head -n 1 "$left_out"
    exit 77
  fi
  echo "i386 probe: $loader or $wine32 is missing (wine32:i386 is not installed;" \
       "run scripts/setup.sh test)" >&2
  exit 1
fi
if out=$("$loader" --version 2>&1); then
  exit 0
fi
case "$out" in
  *"Exec format error"*) refused "$loader" ;;
esac
echo "i386 probe: $loader --version failed: $out" >&2
exit 1
