#!/usr/bin/env bash
# Static analysis of our own sources with clang-tidy (the checks of
# .clang-tidy and of the folders' own .clang-tidy files) and cppcheck (the
# options below), over the compile commands of three builds. clang-tidy
# reads the product code, the tools and the fuzzers; the test suites and
# benchmarks are left to the compilers' warnings and to cppcheck (parsing
# GoogleTest with clang-tidy took most of the time and found nothing the
# suites do not exercise). The path-sensitive clang-analyzer checks, two
# thirds of clang-tidy's time, read the plug-in's own code; the tools and
# the fuzzers get every other check (and the sanitizers, valgrind and the
# fuzzers themselves run their code).
#   NATIVE  every file Linux compiles
#   WIN64   the files only Windows compiles (*_win32.cpp, the Wine suites),
#           parsed by clang for the mingw-w64 target with mingw-w64's headers
#   ASAN    the fuzz targets (optional)
# Exits non-zero on any finding; prints each one with its file and line.
#   analyse.sh NATIVE_BUILD WIN64_BUILD [ASAN_BUILD]
# STATS_ANALYSE_PART=portable does the plug-in's portable code (clang-tidy
# of its Linux files, cppcheck of the native build), =windows_and_tools the
# Windows-only files, the tools and the fuzzers (clang-tidy, cppcheck of the
# x86_64 and ASan builds); unset, both. The test command
# runs the two parts side by side, each on one core.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$(readlink -f "$1")
win64=$(readlink -f "$2")
asan=${3:+$(readlink -f "$3")}
jobs=${STATS_JOBS:-$(nproc)}
status=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The builds compile some targets in batches (one generated file that
# includes several sources); the tools read a copy of each compile database
# that names every source with its batch's command instead.
unbatched() {  # build folder: prints the folder of the copy
  local copy
  copy="$scratch/$(basename "$1")"
  mkdir -p "$copy"
  python3 - "$1/compile_commands.json" "$copy/compile_commands.json" <<'EOF'
import json, re, sys
entries = []
for e in json.load(open(sys.argv[1])):
    if "/Unity/unity_" not in e["file"]:
        entries.append(e)
        continue
    for source in re.findall(r'#include "([^"]+)"', open(e["file"]).read()):
        entries.append(dict(e, file=source, command=e["command"].replace(e["file"], source)))
json.dump(entries, open(sys.argv[2], "w"), indent=1)
EOF
  echo "$copy"
}
native_build=$native
native=$(unbatched "$native")
win64=$(unbatched "$win64")
[ -n "$asan" ] && asan=$(unbatched "$asan")

# The files of a compile database that are ours: inside the source tree and
# not in a build folder. With a second database, only those not in it.
ours() {  # database [database to leave out]
  python3 - "$root" "$@" <<'EOF'
import json, sys
root, db = sys.argv[1], sys.argv[2]
skip = set()
if len(sys.argv) > 3:
    skip = {e["file"] for e in json.load(open(sys.argv[3]))}
files = sorted({e["file"] for e in json.load(open(db))})
for f in files:
    ours = f.startswith(root + "/") and not f.startswith(root + "/build/")
    if ours and f.endswith(".cpp") and f not in skip:
        print(f)
EOF
}

tidy() {  # build folder, files..., "--", compiler arguments..., "--", run-clang-tidy options...
  local dir=$1
  shift
  local files=() extra=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do files+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do extra+=("-extra-arg=$1"); shift; done
  [ $# -gt 0 ] && shift
  extra+=("$@")
  [ ${#files[@]} -eq 0 ] && return 0
  # run-clang-tidy takes regular expressions; anchor each path.
  local patterns=()
  for f in "${files[@]}"; do patterns+=("^${f//./\\.}\$"); done
  echo "== clang-tidy: ${#files[@]} files of $(basename "$dir")"
  run-clang-tidy-14 -p "$dir" -j "$jobs" -quiet "${extra[@]}" "${patterns[@]}" 2>&1 |
    grep -v -e '^[0-9]* warnings\? \(and [0-9]* errors\? \)\?generated\.$' \
            -e '^Suppressed [0-9]* warnings' -e '^Use -header-filter=' \
            -e '^clang-tidy-14 ' -e '^Enabled checks:' -e '^Running clang-tidy'
  return "${PIPESTATUS[0]}"
}

# mingw-w64's C++ and Windows headers for clang; clang's own resource
# headers replace GCC's intrinsics, which clang cannot parse.
mingw_includes() {
  echo | x86_64-w64-mingw32-g++-posix -E -x c++ - -v 2>&1 |
    sed -n '/#include <...> search starts here/,/End of search list/p' | grep '^ /' |
    grep -v -e '/include$' -e '/include-fixed$' | sed 's/^ /-isystem/'
  echo "-isystem/usr/x86_64-w64-mingw32/include"
  echo "--target=x86_64-w64-mingw32"
}

cppcheck_run() {  # database, filter, extra options...
  local db=$1 filter=$2
  shift 2
  echo "== cppcheck: $(basename "$(dirname "$db")")"
  # From the build folder: cppcheck shortens paths under its working folder,
  # which would no longer match the filter.
  (cd "$(dirname "$db")" && cppcheck --project="$db" --file-filter="$filter" -i "$root/build" -q -j "$jobs" --std=c++17 \
    --enable=warning,performance,portability --inline-suppr --error-exitcode=1 \
    --library=googletest --template='{file}:{line}: {severity}: {message} [{id}]' "$@")
}

# The batches of a build whose sources all lie under a folder: clang-tidy
# reads the tool's libraries batch by batch, as the compiler does, and so
# parses their headers once per batch instead of once per file (a third of
# the time).
batches() {  # build folder, source folder
  python3 - "$1/compile_commands.json" "$2/" <<'EOF'
import json, re, sys
for e in json.load(open(sys.argv[1])):
    if "/Unity/unity_" not in e["file"]:
        continue
    sources = re.findall(r'#include "([^"]+)"', open(e["file"]).read())
    if sources and all(s.startswith(sys.argv[2]) for s in sources):
        print(e["file"])
EOF
}

product() {  # leaves out the test suites and the benchmarks
  grep -v -e "^$root/tests/" -e "^$root/bench/"
}
mapfile -t native_files < <(ours "$native/compile_commands.json" | product | grep -v "^$root/tools/")
mapfile -t tool_files < <(ours "$native_build/compile_commands.json" | grep "^$root/tools/")
mapfile -t tool_batches < <(batches "$native_build" "$root/tools")
mapfile -t win_files < <(ours "$win64/compile_commands.json" "$native/compile_commands.json" |
  product | grep -v "^$root/tools/")
mapfile -t win_tool_files < <(ours "$win64/compile_commands.json" "$native/compile_commands.json" |
  grep "^$root/tools/")
mapfile -t win_includes < <(mingw_includes)
no_analyzer=-checks=-clang-analyzer-*

part=${STATS_ANALYSE_PART:-all}
if [ "$part" != windows_and_tools ]; then
  tidy "$native" "${native_files[@]}" || status=1
  cppcheck_run "$native/compile_commands.json" "$root/*" || status=1
fi
[ "$part" = portable ] && asan=
if [ "$part" != portable ]; then
  tidy "$win64" "${win_files[@]}" -- "${win_includes[@]}" || status=1
  cppcheck_run "$win64/compile_commands.json" "$root/*" --library=windows --platform=win64 || status=1
  tidy "$win64" "${win_tool_files[@]}" -- "${win_includes[@]}" -- "$no_analyzer" || status=1
  tidy "$native" "${tool_files[@]}" -- -- "$no_analyzer" || status=1
  # A batch's own file includes its sources by design.
  tidy "$native_build" "${tool_batches[@]}" -- -- "$no_analyzer,-bugprone-suspicious-include" ||
    status=1
fi
if [ -n "$asan" ]; then
  mapfile -t fuzz_files < <(ours "$asan/compile_commands.json" | grep "^$root/fuzz/")
  tidy "$asan" "${fuzz_files[@]}" -- -- "$no_analyzer" || status=1
  cppcheck_run "$asan/compile_commands.json" "$root/fuzz/*" || status=1
fi
[ "$status" -eq 0 ] && echo "no findings"
exit "$status"
