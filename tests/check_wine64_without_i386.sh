#!/usr/bin/env bash
# The x86_64 Wine suites run on a kernel that cannot execute 32-bit programs:
# in a private mount namespace, a file the kernel refuses to execute ("Exec
# format error") is bound over the 32-bit loaders that are installed, as such
# a kernel refuses them; then a fresh 64-bit prefix is made and one x86_64 program runs
# through wine-run.sh. Fails if anything on that path starts a 32-bit
# program (Debian's wineboot and reg wrappers do, once wine32 is installed).
#   check_wine64_without_i386.sh WINE_RUN PROGRAM.exe
set -uo pipefail
wine_run=$(readlink -f "$1")
exe=$(readlink -f "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# An ELF file for another machine: the kernel answers ENOEXEC.
cp /bin/true "$scratch/foreign"
printf '\x02\x00' | dd of="$scratch/foreign" bs=1 seek=18 conv=notrunc 2>/dev/null

# Root gets a mount namespace of its own; anyone else one inside a user
# namespace where it is root.
isolate=(unshare -m)
[ "$(id -u)" -eq 0 ] || isolate=(unshare -r -m)
if ! "${isolate[@]}" true 2>"$scratch/unshare.err"; then
  echo "FAIL cannot make a private mount namespace: $(cat "$scratch/unshare.err")"
  exit 1
fi

"${isolate[@]}" bash -s "$scratch" "$wine_run" "$exe" <<'INSIDE'
set -uo pipefail
scratch=$1 wine_run=$2 exe=$3
for loader in /usr/lib/wine/wine /usr/lib/wine/wineserver32 /lib/ld-linux.so.2; do
  [ -e "$loader" ] && mount --bind "$scratch/foreign" "$loader"
done
# The premise: here no 32-bit loader starts, as on such a kernel. Where
# wine32 is not installed there is no 32-bit Wine to refuse: that is the
# machine's own state.
for loader in /usr/lib/wine/wine /lib/ld-linux.so.2; do
  [ -e "$loader" ] || continue
  if out=$("$loader" --version 2>&1) || [[ "$out" != *"Exec format error"* ]]; then
    echo "FAIL the 32-bit loader $loader still starts here: $out"
    exit 1
  fi
done
echo "ok   no 32-bit loader starts (each fails with Exec format error, or is not installed)"
status=0
out=$(STATS_WINEPREFIX="$scratch/prefix" "$wine_run" x86_64 "$exe" 2>&1) || status=$?
if [ "$status" -ne 0 ]; then
  echo "FAIL an x86_64 program without 32-bit execution: status $status"
  echo "$out" | tail -n 20
  exit 1
fi
echo "ok   a fresh 64-bit prefix is made and an x86_64 program runs"
INSIDE
status=$?
# The namespace is gone, but the prefix's server may still linger.
WINEPREFIX="$scratch/prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
exit "$status"
