#!/usr/bin/env bash
# Runs a Windows program of one of the cross builds under Wine:
#   wine-run.sh i686|x86_64 PROGRAM.exe [ARGS...]
# i686 programs run under wine in a 32-bit prefix, x86_64 programs under
# wine64 in a 64-bit prefix. The x86_64 path starts nothing 32-bit: Debian's
# wine, wineboot and reg wrappers start the 32-bit loader whenever wine32 is
# installed, which a kernel without 32-bit support refuses, so wineboot,
# reg and wineserver go through the 64-bit loader and server. Each build
# folder gets its own fresh prefix (build/<tree>/wineprefix), made on first
# use. Without a DISPLAY the program
# gets a virtual one from xvfb-run, so dialogs and windows can open.
#
# Exit status: the program's own; 77 when an i686 program cannot run because
# this machine cannot execute 32-bit programs at all, or the 32-bit Wine
# packages could not be had (scripts/i386-probe.sh), which CTest reports as
# skipped; 124 when the program, or making the prefix,
# took longer than its time limit (STATS_WINE_TIMEOUT seconds, default 300).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
arch=$1
shift
exe=$(readlink -f "$1")
shift
tree=$(dirname "$(dirname "$exe")")  # <tree>/bin/PROGRAM.exe
limit=${STATS_WINE_TIMEOUT:-300}

case "$arch" in
  i686)
    # test.sh probes once and passes the answer on; run alone, probe here.
    if [ -z "${STATS_I386_RUNNABLE:-}" ]; then
      probe=0
      reason=$("$here/i386-probe.sh") || probe=$?
      [ "$probe" -eq 0 ] && STATS_I386_RUNNABLE=yes
      [ "$probe" -eq 77 ] && STATS_I386_RUNNABLE=no STATS_I386_REASON=$reason
      [ "$probe" -ne 0 ] && [ "$probe" -ne 77 ] && exit 1
    fi
    if [ "$STATS_I386_RUNNABLE" = no ]; then
      echo "wine-run: skipped: ${STATS_I386_REASON:-32-bit programs cannot run here}"
      exit 77
    fi
    export WINEARCH=win32
    runner=wine
    server=wineserver
    ;;
  x86_64)
    export WINEARCH=win64
    runner=$(command -v wine64 || echo /usr/lib/wine/wine64)
    server=/usr/lib/wine/wineserver64
    [ -x "$server" ] || server=wineserver
    ;;
  *) echo "wine-run: unknown architecture $arch" >&2; exit 2 ;;
esac
export WINEPREFIX="${STATS_WINEPREFIX:-$tree/wineprefix}"
export WINEDEBUG=-all
# No Mono or Gecko installer prompts, and no debugger: a crash ends the program.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

# Serialise prefix creation: ctest may start several programs at once. A
# prefix that cannot be made fails here, loudly, instead of hanging a suite.
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    status=0
    boot_log=$(timeout -k 10 "$limit" "$runner" wineboot -i 2>&1) || status=$?
    timeout -k 10 60 "$server" -w || true
    # No window manager runs under Xvfb: unmanaged windows draw their own
    # frames and close at once, instead of waiting for a manager that never answers.
    if [ "$status" -eq 0 ]; then
      boot_log+=$(timeout -k 10 "$limit" "$runner" reg add 'HKCU\Software\Wine\X11 Driver' \
                  /v Managed /d N /f 2>&1) || status=$?
      timeout -k 10 60 "$server" -w || true
    fi
    if [ "$status" -ne 0 ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "wine-run: could not make the $WINEARCH prefix $WINEPREFIX (wineboot status $status):" >&2
      echo "$boot_log" | tail -n 20 >&2
      rm -rf "$WINEPREFIX"
      exit 1
    fi
  fi
) 9>"$WINEPREFIX.lock"

display=()
if [ -z "${DISPLAY:-}" ]; then
  display=(xvfb-run -a -s "-screen 0 1024x768x24")
fi
status=0
timeout -k 10 "$limit" "${display[@]}" "$runner" "$exe" "$@" || status=$?
if [ "$status" -eq 124 ]; then
  echo "wine-run: $(basename "$exe") did not finish within $limit s" >&2
fi
exit "$status"
