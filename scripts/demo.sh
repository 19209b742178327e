#!/usr/bin/env bash
# The demo: lays out the product folder of the win32 build, starts the stand-in main
# application on the build's Xvfb display (or on your own display with VELL_USE_DISPLAY=1),
# which starts the loader with "VLR" and "Init"; saves a screenshot of the screen as
# build/demo/loading-box.png and the box alone with a 20-pixel margin as
# build/demo/loading-box-crop.png (the picture docs/ keeps), then closes the box the way the
# product does and checks that the loader ended with exit code 0.
#   VELL_SCREEN=WxH   a display of that size; on a large one (3840x2160) the box is doubled.
#                     The files are then named loading-box-WxH.png and loading-box-WxH-crop.png.
set -euo pipefail
w32="${1:-build/win32}"
export VELL_SCREEN="${VELL_SCREEN:-1280x800}"
name="loading-box"
[ "$VELL_SCREEN" = 1280x800 ] || name="loading-box-$VELL_SCREEN"
product="$w32/product"
run="$w32/wine-run.sh"
out="$(dirname "$w32")/demo"
mkdir -p "$product/Language" "$out"
cp languages/*.lng "$product/Language/"

"$run" "$product/Vellhub.exe" start "${VELL_DEMO_MODE:-Init}" --wait &
hub=$!

display="${DISPLAY:-}"
if [ "${VELL_USE_DISPLAY:-0}" != "1" ]; then
  for _ in $(seq 100); do [ -f "$w32/wine/xvfb-$VELL_SCREEN.display" ] && break; sleep 0.1; done
  display="$(cat "$w32/wine/xvfb-$VELL_SCREEN.display")"
fi
shown=0
for _ in $(seq 150); do
  if DISPLAY="$display" xwininfo -root -tree 2>/dev/null | grep -q '"frm_LoadingBox"'; then shown=1; break; fi
  sleep 0.2
done
[ "$shown" = 1 ] || echo "demo: the loading box did not appear" >&2
sleep 1
DISPLAY="$display" import -window root "$out/$name.png"
echo "demo: screenshot in $out/$name.png"
# The box's place on the screen, from the window manager's view of its window.
read -r bx by bw bh < <(DISPLAY="$display" xwininfo -name frm_LoadingBox 2>/dev/null | awk '
  /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$NF} /Height:/ {h=$NF}
  END {print x, y, w, h}') || true
if [ -n "${bh:-}" ]; then
  convert "$out/$name.png" -crop "$((bw + 40))x$((bh + 40))+$((bx - 20))+$((by - 20))" +repage "$out/$name-crop.png"
  echo "demo: the box alone in $out/$name-crop.png"
fi

"$run" "$product/Vellhub.exe" close 10000 || true
rc=0
wait "$hub" || rc=$?
[ "${VELL_USE_DISPLAY:-0}" = "1" ] || "$run" --stop
if [ "$rc" -ne 0 ]; then
  echo "demo: the loader ended with exit code $rc" >&2
  exit 1
fi
echo "demo: the loader ended with exit code 0"
