#!/usr/bin/env bash
# Configures and builds the three builds of the plug-in:
#   build/native   libStats.so, the tools, the native suites, the benchmarks
#   build/win32    Stats.dll and the Windows test programs for i686
#   build/win64    the same for x86_64
#   build/tsan     the native test suite under ThreadSanitizer (clang)
#   build/asan     the native test suite and the fuzzers under AddressSanitizer
#                  and UndefinedBehaviorSanitizer (clang, libFuzzer)
# The native build's CTest also runs the Windows suites under Wine.
# Extra arguments go to every CMake configure step (for example -DSTATS_WERROR=ON).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${STATS_JOBS:-$(nproc)}

configure() {  # folder, extra arguments...
  local dir=$1
  shift
  cmake -S "$root" -B "$root/build/$dir" -G Ninja "$@" >/dev/null
}

# The five trees are configured side by side (each configuration runs on
# one core); the builds follow once all five have succeeded.
configuring=()
# The suites are asked for by name: a tree that scripts/run.sh or
# scripts/package.sh configured first was made without them.
set -- -DSTATS_BUILD_TESTS=ON "$@"

configure win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DSTATS_BUILD_BENCH=OFF "$@" &
configuring+=($!)
configure win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" -DSTATS_BUILD_BENCH=OFF "$@" &
configuring+=($!)
configure tsan -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSTATS_SANITIZE=thread \
  -DSTATS_BUILD_BENCH=OFF "$@" &
configuring+=($!)
configure asan -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DSTATS_SANITIZE=address,undefined -DSTATS_BUILD_BENCH=OFF -DSTATS_BUILD_FUZZERS=ON "$@" &
configuring+=($!)
configure native -DSTATS_BUILD_BENCH=ON -DSTATS_WIN32_DIR="$root/build/win32" \
  -DSTATS_WIN64_DIR="$root/build/win64" -DSTATS_TSAN_DIR="$root/build/tsan" -DSTATS_ASAN_DIR="$root/build/asan" "$@" &
configuring+=($!)
for pid in "${configuring[@]}"; do wait "$pid"; done
for dir in native win32 win64; do
  echo "== building $dir"
  cmake --build "$root/build/$dir" -j "$jobs"
done
echo "== building tsan (the test suite under ThreadSanitizer)"
cmake --build "$root/build/tsan" -j "$jobs" --target stats_tests
echo "== building asan (the test suite and the fuzzers under AddressSanitizer and UBSan)"
cmake --build "$root/build/asan" -j "$jobs" --target stats_tests fuzzers
