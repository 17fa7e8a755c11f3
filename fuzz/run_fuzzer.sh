#!/usr/bin/env bash
# Runs one fuzzer for a bounded time from its seed corpus and dictionary:
#   run_fuzzer.sh FUZZER FUZZ_DIR NAME
# STATS_FUZZ_SECONDS sets the time (default 8). A finding fails the run and
# is kept under build/asan/fuzz-findings/ to become a regression test.
set -euo pipefail
fuzzer=$(readlink -f "$1")
dir=$(readlink -f "$2")
name=$3
seconds=${STATS_FUZZ_SECONDS:-8}
findings="$(dirname "$(dirname "$fuzzer")")/fuzz-findings/$name"
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536
      -print_final_stats=1 -artifact_prefix="$findings/")
[ -f "$dir/dict/$name.dict" ] && args+=(-dict="$dir/dict/$name.dict")
seeds=()
[ -d "$dir/corpus/$name" ] && seeds+=("$dir/corpus/$name")
# New inputs go to the scratch corpus; the seeds in the repository stay as they are.
"$fuzzer" "${args[@]}" "$work" "${seeds[@]}" 2>&1 | tail -n 25
