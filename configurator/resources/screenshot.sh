#!/usr/bin/env bash
# Takes docs/tavixcfg.png: the built tavixcfg.exe at start-up, under Wine in a
# private prefix on an Xvfb display, cropped to the dialog.
#   configurator/resources/screenshot.sh [WINDOWS_BUILD_DIR] [OUTPUT_PNG]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
out=${2:-$root/docs/tavixcfg.png}
exe=$build/configurator/tavixcfg.exe
[ -f "$exe" ] || { echo "no $exe: build the win64 preset first" >&2; exit 1; }

if [ -z "${TAVIX_SCREENSHOT_DISPLAY:-}" ]; then
  export TAVIX_SCREENSHOT_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$out"
fi

prefix=$build/screenshot-prefix
export WINEPREFIX=$prefix WINEDEBUG=-all
run() { "$root/cmake/wine-run" "$prefix" "$@"; }
# No window manager runs here, so Wine draws the caption and frame itself;
# its caption buttons need the Marlett font in the prefix.
run reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
mkdir -p "$prefix/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"

run "$exe" >/dev/null 2>&1 &
app=$!
trap 'kill $app 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
for _ in $(seq 300); do
  xwininfo -name "TAVIX CFG" >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 3  # let the first paint finish
info=$(xwininfo -name "TAVIX CFG")
x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
w=$(sed -n 's/.*Width: *//p' <<<"$info")
h=$(sed -n 's/.*Height: *//p' <<<"$info")
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out"
echo "wrote $out (${w}x${h})"
