#!/usr/bin/env bash
# What scripts/setup.sh installs for which command, on which machine, with
# which package index, decided without touching this machine's packages:
# the real run.sh, test.sh, setup.sh and i386-probe.sh run in a scratch copy
# of the project, with apt-get, dpkg, dpkg-query and the builds replaced on
# PATH by stubs that record what they are asked and answer as the machine
# of each case would.
#   check_setup.sh PROJECT_ROOT
set -uo pipefail
project=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
check() {  # what, command...
  if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi
}
asked() { grep -q -E -- "$1" "$scratch/calls"; }

stubs=$scratch/stubs
mkdir -p "$stubs"
# dpkg-query -W -f='${Status}' PACKAGE: installed when listed in $STUB/installed.
cat >"$stubs/dpkg-query" <<'EOF'
#!/bin/bash
[ "$(cat "$STUB/installed")" = all ] || grep -qxF -- "${@: -1}" "$STUB/installed" || exit 1
printf 'install ok installed'
EOF
cat >"$stubs/dpkg" <<'EOF'
#!/bin/bash
echo "dpkg $*" >>"$STUB/calls"
case "$1" in
  --print-foreign-architectures) cat "$STUB/arches" ;;
  --add-architecture) echo "$2" >>"$STUB/arches" ;;
esac
EOF
# The i386 index is broken, as in a mirror's sync, once i386 is asked for;
# every package named in $STUB/broken fails to install.
cat >"$stubs/apt-get" <<'EOF'
#!/bin/bash
echo "apt-get $*" >>"$STUB/calls"
if [ "$1" = update ]; then
  grep -qx i386 "$STUB/arches" || exit 0
  echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]"
  echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
  exit 100
fi
for p in "$@"; do
  if [[ "$p" == *:i386 ]] || grep -qxF -- "$p" "$STUB/broken"; then
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100
  fi
done
printf '%s\n' "$@" >>"$STUB/installed"
EOF
cat >"$stubs/id" <<'EOF'
#!/bin/bash
echo "${STUB_UID:-0}"
EOF
cat >"$stubs/sudo" <<'EOF'
#!/bin/bash
echo "sudo $*" >>"$STUB/calls"
exit 1
EOF
cat >"$stubs/sleep" <<'EOF'
#!/bin/bash
EOF
# The builds: cmake makes a yodx that prints a summary line; ctest passes.
cat >"$stubs/cmake" <<'EOF'
#!/bin/bash
echo "cmake $*" >>"$STUB/calls"
if [ "$1" = --build ]; then
  mkdir -p "$2/bin"
  printf '#!/bin/bash\necho "Score: 8698*(201 + 220) = 3661858"\n' >"$2/bin/yodx"
  chmod +x "$2/bin/yodx"
fi
EOF
cat >"$stubs/ctest" <<'EOF'
#!/bin/bash
echo "ctest $*" >>"$STUB/calls"
EOF
chmod +x "$stubs"/*
# An ELF file for another machine: the kernel answers "Exec format error", as
# it does for 32-bit programs on a kernel without 32-bit support.
cp /bin/true "$scratch/foreign"
printf '\x02\x00' | dd of="$scratch/foreign" bs=1 seek=18 conv=notrunc 2>/dev/null

# A fresh copy of the project's scripts and a machine: INSTALLED (a list, or
# "all"), the foreign architectures, and the packages that fail.
machine() {  # installed, arches
  rm -rf "$scratch/root" "$scratch/calls"
  mkdir -p "$scratch/root/scripts" "$scratch/root/examples"
  cp "$project"/scripts/{setup,run,test,i386-probe}.sh "$scratch/root/scripts/"
  printf '#!/bin/bash\necho "build $*" >>"$STUB/calls"\nmkdir -p "%s/root/build/native"\n' \
    "$scratch" >"$scratch/root/scripts/build.sh"
  chmod +x "$scratch/root/scripts/build.sh"
  printf '%s\n' "$1" >"$scratch/installed"
  printf '%s' "$2" >"$scratch/arches"
  : >"$scratch/broken"
  : >"$scratch/calls"
}
# Runs SCRIPT of the copy with the stubs; its output in $out, its status in $status.
run() {  # 32-bit program, script, arguments...
  status=0
  out=$(env PATH="$stubs:$PATH" STUB="$scratch" STATS_I386_PROGRAM="$1" \
        STATS_I386_LOADER="$scratch/none" STATS_WINE32_LOADER="$scratch/none" \
        STATS_SETUP_STRICT="${STRICT:-no}" STUB_UID="${STUB_UID:-0}" \
        "$scratch/root/scripts/$2" "${@:3}" 2>&1) || status=$?
}

echo "-- the main job on a bare machine whose i386 index is broken"
machine "" i386
run /bin/true run.sh
check "run.sh prints the summary" grep -q "^Score: " <<<"$out"
check "it installs the compiler, CMake, Ninja and the country file" \
  asked "^apt-get install .* g\+\+ cmake ninja-build hamradio-files"
check "it asks for no Wine, no mingw-w64, no test tool" \
  eval '! asked "wine|mingw|chromium|googletest|:i386"'
check "it adds no architecture" eval '! asked "add-architecture"'
check "it builds without the suites" asked "^cmake .*-DSTATS_BUILD_TESTS=OFF"

echo "-- the test command where 32-bit programs run but the i386 index is broken"
machine "" ""
run /bin/true test.sh
check "test.sh passes (status $status)" [ "$status" -eq 0 ]
check "everything else is installed, apart from the 32-bit packages" \
  eval 'grep "^apt-get install .* wine64 " "$scratch/calls" | grep -qv ":i386"'
check "setup says in one line what it left out and why" \
  eval '[ "$(grep -c "left out" <<<"$out")" -eq 1 ] && grep -q "left out wine32:i386.*Mirror sync in progress.*held broken packages" <<<"$out"'
check "the run ends with the reason the i686 suites were skipped" \
  eval 'tail -n 1 <<<"$out" | grep -q "32-bit Wine packages could not be installed.*its Wine suites were skipped"'
STRICT=yes run /bin/true setup.sh test
check "--strict fails instead (status $status)" [ "$status" -ne 0 ]
check "and says which package" grep -q "could not install wine32:i386" <<<"$out"

echo "-- the test command where the kernel cannot execute 32-bit programs"
machine "" ""
run "$scratch/foreign" test.sh
check "test.sh passes (status $status)" [ "$status" -eq 0 ]
check "no i386 architecture is added and wine32 is not asked for" eval '! asked "i386"'
check "the run ends with the reason" \
  eval 'tail -n 1 <<<"$out" | grep -q "cannot execute 32-bit programs.*its Wine suites were skipped"'

echo "-- a package other than the 32-bit ones cannot be had"
machine "" ""
echo chromium >"$scratch/broken"
run /bin/true test.sh
check "the run stops (status $status)" [ "$status" -ne 0 ]
check "with a clear message, before building" \
  eval 'grep -q "could not install .*chromium" <<<"$out" && ! asked "^build"'

echo "-- everything is present, and the shell is not root"
machine all i386
STUB_UID=1000 run /bin/true setup.sh test
check "setup passes (status $status)" [ "$status" -eq 0 ]
check "and prints nothing" [ -z "$out" ]
check "and asks nothing of apt-get, dpkg or sudo" eval '! asked "apt-get|dpkg|sudo"'
exit $((failures > 0))
