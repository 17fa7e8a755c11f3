#!/usr/bin/env bash
# Checks the release zip of one bitness as an operator gets it:
#   check_package.sh i686|x86_64 WINDOWS_TREE WORK_FOLDER
# writes both zips with scripts/package.sh (from the trees already built),
# unpacks this bitness's, and checks its files, the machine type of the DLL
# and of the program, the DLL's version resource against the project's
# version, SHA256SUMS, and then under Wine: yodx.exe --version, the
# unpacked DLL loaded by the test host, and lint.cmd with a sample log
# dropped on it. Where 32-bit programs cannot run (scripts/i386-probe.sh) the
# i686 Wine part is skipped (status 77) after the static checks.
set -euo pipefail
arch=$1
tree=$(readlink -f "$2")
work=$3
root=$(cd "$(dirname "$0")/.." && pwd)
case "$arch" in
  i686) bitness=win32 machine=0x14c ;;
  x86_64) bitness=win64 machine=0x8664 ;;
  *) echo "check_package: unknown architecture $arch" >&2; exit 2 ;;
esac
version=$(sed -n 's/^project(Stats VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
name=yodx-stats-$version-$bitness
fail=0
expect() {  # what, command...
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}

rm -rf "$work"
mkdir -p "$work"
"$root/scripts/package.sh" --out "$work/dist" --no-build >/dev/null
zip=$work/dist/$name.zip
[ -f "$zip" ] || { echo "FAIL no $zip"; exit 1; }
expect "SHA256SUMS matches both zips" bash -c "cd '$work/dist' && sha256sum --quiet -c SHA256SUMS"

# The zip's own reading: its names, unpacked; the PE facts of its programs.
expect "the zip's files" python3 - "$zip" "$work/unpacked" "$name" "$machine" "$version" <<'PY'
import struct, sys, zipfile
path, target, name, machine, version = sys.argv[1:6]
expected = {"QUICKSTART.txt", "Stats.dll", "yodx.exe", "lint.cmd", "report.cmd", "cty.dat",
            "LICENSE.txt", "CHANGELOG.txt"}
failures = 0
def check(ok, what):
    global failures
    print(("ok   " if ok else "FAIL ") + what)
    failures += 0 if ok else 1
with zipfile.ZipFile(path) as archive:
    names = set(archive.namelist())
    check(names == {f"{name}/{f}" for f in expected}, f"the zip holds {name}/ with its eight files")
    archive.extractall(target)
folder = f"{target}/{name}"
def pe(file):
    data = open(f"{folder}/{file}", "rb").read()
    header = struct.unpack_from("<I", data, 0x3C)[0]
    return data, struct.unpack_from("<H", data, header + 4)[0]
for program in ("Stats.dll", "yodx.exe"):
    data, kind = pe(program)
    check(kind == int(machine, 16), f"{program} is for machine {machine} (is {kind:#x})")
data, _ = pe("Stats.dll")
# VS_FIXEDFILEINFO, by its signature, after the resource's key.
key = data.find("VS_VERSION_INFO".encode("utf-16-le"))
at = data.find(struct.pack("<I", 0xFEEF04BD), key) if key >= 0 else -1
ms, ls, pms, pls = struct.unpack_from("<IIII", data, at + 8) if at >= 0 else (0, 0, 0, 0)
found = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
check(found == f"{version}.0" and (pms, pls) == (ms, ls),
      f"Stats.dll's version resource is {version}.0 (is {found})")
for text in ("QUICKSTART.txt", "LICENSE.txt", "CHANGELOG.txt", "lint.cmd", "report.cmd"):
    body = open(f"{folder}/{text}", "rb").read()
    check(body.count(b"\n") == body.count(b"\r\n") > 0, f"{text} has CR LF line ends")
check(f"version {version}" in open(f"{folder}/QUICKSTART.txt").read(), "the quick start names the version")
check(f"## [{version}]" in open(f"{folder}/CHANGELOG.txt").read(), "the change log has an entry for it")
sys.exit(1 if failures else 0)
PY

folder=$work/unpacked/$name
[ "$fail" -eq 0 ] || exit 1
if [ "$arch" = i686 ] && [ -z "${STATS_I386_RUNNABLE:-}" ]; then
  # Run alone, not from the test command: probe here.
  probe=0
  STATS_I386_REASON=$("$root/scripts/i386-probe.sh") || probe=$?
  [ "$probe" -ne 77 ] || STATS_I386_RUNNABLE=no
fi
if [ "$arch" = i686 ] && [ "${STATS_I386_RUNNABLE:-}" = no ]; then
  echo "check_package: the i686 zip was checked statically; its Wine part was skipped" \
       "(${STATS_I386_REASON:-32-bit programs cannot run here})"
  exit 77
fi
export STATS_WINEPREFIX=$tree/wineprefix
run=("$root/scripts/wine-run.sh" "$arch")

printed=$("${run[@]}" "$folder/yodx.exe" --version | tr -d '\r') || true
expect "yodx.exe --version prints 'yodx $version' (printed '$printed')" [ "$printed" = "yodx $version" ]

cp "$tree/bin/stats_load_host.exe" "$folder/"
quietly() {  # log file, command...: the command's output kept in the log
  local log=$1
  shift
  "$@" >"$log" 2>&1
}
expect "the unpacked Stats.dll loads in the test host, every export resolved" \
  quietly "$work/load_host.txt" "${run[@]}" "$folder/stats_load_host.exe"
rm "$folder/stats_load_host.exe"

# A sample dropped on lint.cmd: the findings as yodx prints them, the
# counts, and the window held open.
sample=$work/yo3abc.log
cp "$root/examples/yo3abc.log" "$sample"
dropped="Z:$(tr / '\\' <<<"$sample")"
status=0
"${run[@]}" "$folder/lint.cmd" "$dropped" </dev/null >"$work/lint.txt" 2>&1 || status=$?
tr -d '\r' <"$work/lint.txt" >"$work/lint.lf"
expect "lint.cmd ends with lint's status for a log with errors (1, was $status)" [ "$status" -eq 1 ]
expect "lint.cmd names the log and prints lint's findings and counts" \
  bash -c "grep -qF '==== yo3abc.log' '$work/lint.lf' && grep -qE '^[0-9,]+ errors?, [0-9,]+ warnings?\$' '$work/lint.lf'"
expect "lint.cmd holds the window open" grep -qF "Press any key to continue" "$work/lint.lf"

# yodx.exe from another folder, without --cty: the zip's country file,
# beside it, is found (the quick start says so).
status=0
(cd "$work" && "${run[@]}" "$folder/yodx.exe" lint "$dropped") >"$work/lint-own-cty.txt" 2>&1 ||
  status=$?
expect "yodx.exe without --cty takes the cty.dat beside it (status $status, 1 for the sample)" \
  bash -c "[ $status -eq 1 ] && grep -q \"^organiser's count: [0-9,]* QSOs\" '$work/lint-own-cty.txt'"
exit $fail
