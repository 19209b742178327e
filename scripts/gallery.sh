#!/usr/bin/env bash
# The gallery: runs gallery.exe of the win32 build under Wine on the build's Xvfb display;
# it writes one image per page, which end up in build/gallery/.
set -euo pipefail
w32="${1:-build/win32}"
run="$w32/wine-run.sh"
out="$(dirname "$w32")/gallery"
rm -rf "$w32/gallery/shots"
rc=0
"$run" "$w32/gallery/gallery.exe" || rc=$?
"$run" --stop || true
mkdir -p "$out"
rm -f "$out"/*.png
cp "$w32"/gallery/shots/*.png "$out/" 2>/dev/null || true
ls "$out"/*.png 2>/dev/null | sed 's/^/gallery: /'
exit $rc
