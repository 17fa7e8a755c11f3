#!/usr/bin/env bash
# Renders the plug-in's dialogs and windows under Xvfb, through the real x86_64
# Stats.dll, into docs/screenshots/ for the README. Not a test: look at the
# pictures. Builds first (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/docs/screenshots"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
STATS_WINEPREFIX="$root/build/win64/wineprefix" \
  "$root/scripts/wine-run.sh" x86_64 "$root/build/win64/bin/stats_screenshots.exe" \
  "Z:${out//\//\\}" "Z:${root//\//\\}\\examples\\yo3abc.adi" \
  'Z:\usr\share\hamradio-files\cty.dat'
python3 "$root/tools/bmp_to_png.py" "$out"/*.bmp
ls "$out"
