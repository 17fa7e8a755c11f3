#!/usr/bin/env bash
# Scores every sample log of examples/ and checks the summaries, and lints
# the Cabrillo samples:
#   check_samples.sh YODX                      the native tool against examples/*.summary.txt
#   check_samples.sh YODX_EXE i686|x86_64      a Windows build under Wine, same expectation
# Both formats of a station's log must give its one summary, byte for byte,
# so the native and the Windows builds agree with each other through it.
# Each Cabrillo sample must give the findings of examples/*.lint.txt, byte
# for byte, and a compact copy of it the same findings apart from its size.
# Natively, `yodx --version` must give the version CMakeLists.txt sets.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
tool=$(readlink -f "$1")
arch=${2:-}
cty=${YODX_CTY:-/usr/share/hamradio-files/cty.dat}

run() {
  if [ -n "$arch" ]; then
    "$root/scripts/wine-run.sh" "$arch" "$tool" "$@"
  else
    "$tool" "$@"
  fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
for expected in "$root"/examples/*.summary.txt; do
  station=$(basename "$expected" .summary.txt)
  for log in "$root/examples/$station.adi" "$root/examples/$station.log"; do
    name=$(basename "$log")
    status=0
    run score "$log" --cty "$cty" --out "$work/$name" >"$work/$name.out" 2>"$work/$name.err" ||
      status=$?
    if [ "$status" -eq 77 ] && [ -n "$arch" ]; then
      cat "$work/$name.out"  # wine-run.sh says why this machine cannot run it
      exit 77
    fi
    if [ "$status" -eq 0 ] && cmp -s "$expected" "$work/$name.out"; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      echo "FAILED: $name (${arch:-native})" >&2
      cat "$work/$name.err" >&2
      diff <(tr -d '\r' <"$expected") <(tr -d '\r' <"$work/$name.out") >&2
    fi
  done
done
# A line break in a single-line header option is refused before anything is
# written: status 2, no output folder, no summary.
log=$(ls "$root"/examples/*.adi | head -n 1)
status=0
run score "$log" --cty "$cty" --out "$work/refused" --cabrillo --name $'Ion\nPopescu' \
  >"$work/refused.out" 2>"$work/refused.err" || status=$?
if [ "$status" -eq 2 ] && [ ! -e "$work/refused" ] && [ ! -s "$work/refused.out" ] &&
  grep -q -- "--name takes one line" "$work/refused.err"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "FAILED: --name with a line break (${arch:-native}): status $status" >&2
  cat "$work/refused.err" >&2
fi

# check answers about one contact and leaves nothing behind: without --out
# the plug-in's err.txt and Plugins/ go to a folder of its own, then away.
mkdir "$work/check"
status=0
(cd "$work/check" && run check "$root/examples/yo3abc.adi" YO8RFS 20m SSB SV --cty "$cty") \
  >"$work/check.out" 2>&1 || status=$?
if [ "$status" -eq 0 ] && grep -q "^YO8RFS (YO, EU) on 20m SSB: duplicate" "$work/check.out" &&
  [ -z "$(ls -A "$work/check")" ]; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "FAILED: check in an empty folder (${arch:-native}): status $status, left $(ls -A "$work/check")" >&2
  cat "$work/check.out" >&2
fi

# lint and compact: run from examples/ and a scratch folder, so that the
# findings name the log the same way on both platforms.
check() {  # check NAME COMMAND...: counts COMMAND's success or failure
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name (${arch:-native})" >&2
    return 1
  fi
}
mkdir "$work/lint"
for expected in "$root"/examples/*.lint.txt; do
  station=$(basename "$expected" .lint.txt)
  status=0
  (cd "$root/examples" && run lint "$station.log" --cty "$cty" --json "$work/$station.json") \
    >"$work/$station.lint" 2>"$work/$station.lint.err" || status=$?
  check "lint $station.log" test "$status" -eq 1
  check "lint $station.log findings" cmp -s "$expected" "$work/$station.lint" ||
    diff "$expected" "$work/$station.lint" >&2
  read -r errors _ warnings _ < <(grep -E '^[0-9]+ errors?, ' "$expected")
  check "lint $station.log JSON" \
    grep -q "^{\"errors\": $errors, \"warnings\": $warnings, " "$work/$station.json"
  score=$(sed -n "s/^organiser's count: .*, score \([0-9,]*\).*/\1/p" "$expected" | tr -d ,)
  check "lint $station.log JSON count" \
    grep -q "\"organiser_count\": {.*\"score\": $score, " "$work/$station.json"
  cp "$root/examples/$station.log" "$work/lint/$station.log"
  status=0
  (cd "$work/lint" && run compact "$station.log" "$station-compact.log") 2>/dev/null || status=$?
  check "compact $station.log" test "$status" -eq 0
  (cd "$work/lint" && run lint "$station-compact.log" --cty "$cty") >"$work/$station-compact.lint" ||
    true
  check "compact $station.log lints the same" cmp -s \
    <(grep -v ': error: the file is \|^[0-9]* error' "$expected") \
    <(sed 's/-compact\.log:/.log:/' "$work/$station-compact.lint" | grep -v '^[0-9]* error')
done
status=0
(cd "$work/lint" && run compact "$station.log" "./$station.log") 2>/dev/null || status=$?
check "compact refuses to overwrite its input" test "$status" -eq 2
status=0
run compact "$root/examples/$station.adi" "$work/lint/x.log" 2>/dev/null || status=$?
check "compact refuses an ADIF log" test "$status" -eq 2

# report, natively (the suite runs its figures in the Windows builds too):
# the same JSON from both formats of a log, through the files it writes; a
# log that cannot be read is status 2, with the reason.
if [ -z "$arch" ]; then
  for format in adi log; do
    run report "$root/examples/yo3abc.$format" --cty "$cty" --json "$work/report.$format.json" \
      >/dev/null 2>&1 || true
  done
  check "report: one JSON from yo3abc.adi and yo3abc.log" test -s "$work/report.adi.json" &&
    check "report: the two JSON files are equal" cmp -s "$work/report.adi.json" "$work/report.log.json"
  status=0
  run report "$work/no-such.log" --cty "$cty" 2>"$work/report.err" >/dev/null || status=$?
  check "report of a missing log: status 2" test "$status" -eq 2
  check "report of a missing log: the reason" \
    grep -q "cannot open log file $work/no-such.log" "$work/report.err"
fi

# The version yodx gives is the project's, as CMakeLists.txt sets it: three
# parts (the DLL's resource carries a fourth).
if [ -z "$arch" ]; then
  version=$(sed -n 's/^project(Stats VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
  check "--version: yodx $version" test "$(run --version)" = "yodx $version"
fi

# The log robot is a Linux command: the Windows build says so, status 2,
# and makes nothing.
if [ -n "$arch" ]; then
  status=0
  run serve --data "$work/robot" >/dev/null 2>"$work/serve.err" || status=$?
  check "serve in the Windows build: status 2" test "$status" -eq 2
  check "serve in the Windows build: the reason" grep -q "serve is a Linux command" "$work/serve.err"
  check "serve in the Windows build: no data folder" test ! -e "$work/robot"
fi

# A summary that cannot be written (a full disk) is a failure, not a success.
if [ -z "$arch" ] && [ -w /dev/full ]; then
  log=$(ls "$root"/examples/*.adi | head -n 1)
  if run score "$log" --cty "$cty" --out "$work/full" >/dev/full 2>"$work/full.err"; then
    failed=$((failed + 1))
    echo "FAILED: writing to a full disk reported success" >&2
  elif ! grep -q "standard output could not be written" "$work/full.err"; then
    failed=$((failed + 1))
    echo "FAILED: writing to a full disk: $(cat "$work/full.err")" >&2
  else
    passed=$((passed + 1))
  fi
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
