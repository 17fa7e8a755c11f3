#!/usr/bin/env bash
# Runs a Windows program of one of the cross builds under Wine:
#   wine-run.sh i686|x86_64 PROGRAM.exe [ARGS...]
# i686 programs run under wine in a 32-bit prefix, x86_64 programs under
# wine64 in a 64-bit prefix. Each build folder gets its own fresh prefix
# (build/<tree>/wineprefix), made on first use.
set -euo pipefail
arch=$1
shift
exe=$(readlink -f "$1")
shift
tree=$(dirname "$(dirname "$exe")")  # <tree>/bin/PROGRAM.exe

case "$arch" in
  i686) export WINEARCH=win32; runner=wine ;;
  x86_64) export WINEARCH=win64; runner=$(command -v wine64 || echo /usr/lib/wine/wine64) ;;
  *) echo "wine-run: unknown architecture $arch" >&2; exit 2 ;;
esac
export WINEPREFIX="${STATS_WINEPREFIX:-$tree/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts

# Serialise prefix creation: ctest may start several programs at once.
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
) 9>"$WINEPREFIX.lock"

exec "$runner" "$exe" "$@"
