#!/usr/bin/env bash
# Checks a built plug-in's export table and dependencies:
#   check_library.sh so libStats.so
#   check_library.sh i686|x86_64 Stats.dll
# The DLL must list every plain and decorated name of its .def file and
# import only from DLLs that are part of Windows itself.
set -euo pipefail
kind=$1
lib=$2
root=$(cd "$(dirname "$0")/.." && pwd)
fail=0
names=(GetNumberOfSets GetSetName GetExchgCount0 ResetStats0 AddData0 RemoveData0 CheckCall0
       IsValidExchg0 GetResult0 RunCommand0 SetupSet0)

if [ "$kind" = so ]; then
  exported=$(nm -D --defined-only "$lib" | awk '{print $3}')
  for name in "${names[@]}"; do
    grep -qx "$name" <<<"$exported" || { echo "FAIL: $lib does not export $name"; fail=1; }
  done
  extra=$(grep -v -x -F "$(printf '%s\n' "${names[@]}")" <<<"$exported" | grep -v -E '^(_init|_fini)$' || true)
  [ -z "$extra" ] || { echo "FAIL: $lib exports more than the plug-in's functions:"; echo "$extra"; fail=1; }
else
  dump=$(x86_64-w64-mingw32-objdump -p "$lib")
  table=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -E 's/^\s*\[\s*[0-9]+\] //')
  expected=$(grep -E '^  ' "$root/plugin/Stats_$kind.def" | sed -E 's/^  "?([^" ]+)"?( = .*)?$/\1/')
  while read -r name; do
    grep -qxF "$name" <<<"$table" || { echo "FAIL: $lib does not export $name"; fail=1; }
  done <<<"$expected"
  [ "$(wc -l <<<"$table")" -eq "$(($(wc -l <<<"$expected") + 1))" ] ||
    { echo "FAIL: $lib exports other names:"; echo "$table"; fail=1; }
  windows_dlls='^(KERNEL32|USER32|GDI32|ADVAPI32|OLE32|OLEAUT32|VERSION|COMCTL32|SHELL32|MSVCRT|UCRTBASE|api-ms-win-[a-z0-9-]+)\.dll$'
  while read -r dep; do
    grep -qiE "$windows_dlls" <<<"$dep" || { echo "FAIL: $lib depends on $dep"; fail=1; }
  done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")

  # The parts of the runtime that keep state per thread, which an unload
  # would leave in the host's process: none may be linked (the DLL's own
  # runtime_win32.cpp stands in for them). The link map names every
  # archive member the linker took.
  map="$(dirname "$lib")/Stats.map"
  if [ ! -f "$map" ]; then
    echo "FAIL: no link map $map"
    fail=1
  else
    members=$(sed -n '/^Archive member included/,/^Discarded input sections/p' "$map" |
              grep -oE '[A-Za-z0-9_+.-]+\.a\([^)]+\)' | sort -u)
    kept='libpthread\.a|libwinpthread|emutls\.o|\(guard\.o|locale_init\.o|ios_init\.o|eh_globals\.o|atexit_thread\.o'
    if grep -E "$kept" <<<"$members"; then
      echo "FAIL: $lib links the runtime's per-thread state above (a thread-safe static, iostreams, thread_local or a thread of the threads library in the DLL's code?)"
      fail=1
    fi
    echo "runtime members served by the DLL's own once and mutex functions:" \
         $(grep -E 'unwind-dw2|eh_alloc' <<<"$members" | sed -E 's/.*\(//; s/\)//')
  fi

  # i686: the unwind tables where the DLL's code looks for them when it
  # must register them itself (runtime_win32.cpp, OwnFrameTables): a
  # section whose eight-byte name in the section table is ".eh_fram" (short
  # names, no string table), starting with an entry of the table (a CIE),
  # and whose entries, walked from there, end with the terminator inside the
  # section. Without it the DLL refuses to load beside a shared libgcc.
  if [ "$kind" = i686 ]; then
    if ! frames=$(python3 - "$lib" 2>&1 <<'PY'
import struct, sys
image = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", image, 0x3C)[0]
sections, optional = struct.unpack_from("<HxxxxxxxxxxxxH", image, pe + 6)
table = pe + 24 + optional
for i in range(sections):
    name, vsize, vaddr, rawsize, rawat = struct.unpack_from("<8sIIII", image, table + 40 * i)
    if name != b".eh_fram":
        continue
    data = image[rawat:rawat + min(vsize, rawsize)]
    length, cie = struct.unpack_from("<II", data, 0)
    if length in (0, 0xFFFFFFFF) or cie != 0 or data[8] != 1:
        sys.exit("its first entry is no CIE of version 1")
    at, entries = 0, 0
    while at + 4 <= len(data):
        length = struct.unpack_from("<I", data, at)[0]
        if length == 0:
            print("%d entries from 0x%x" % (entries, vaddr))
            sys.exit(0)
        if length == 0xFFFFFFFF:
            sys.exit("an entry of 64-bit length at offset %d" % at)
        at, entries = at + 4 + length, entries + 1
    sys.exit("no terminator inside the section")
names = [struct.unpack_from("<8s", image, table + 40 * i)[0].rstrip(b"\0") for i in range(sections)]
sys.exit("no section named .eh_fram in the section table: %s" % b" ".join(names).decode(errors="replace"))
PY
    ); then
      echo "FAIL: $lib: the unwind tables are not where the code looks: $frames"
      fail=1
    else
      echo "unwind tables where the code looks: $frames"
    fi
  fi
fi
[ $fail -eq 0 ] && echo "ok: $lib exports ${#names[@]} functions as the host expects"
exit $fail
