#!/usr/bin/env bash
# tavix-device under Wine: registers the device through tavix-plug.exe in the
# build's prefix, and a Windows probe finds it, opens its COM port, exchanges
# the greeting, frames and a remote code with it.
# Usage: wine_link_test.sh DEVICE PLUG_EXE PROBE_EXE WINE_RUN PREFIX SHIM
set -u
device=$1 plug=$2 probe=$3 wine_run=$4 prefix=$5 shim=$6
work=$(mktemp -d)
trap 'kill "$device_pid" 2>/dev/null; wait "$device_pid" 2>/dev/null; rm -rf "$work"' EXIT

cat >"$work/session" <<'SCRIPT'
wait-open 150000
wait-frame track 20000
press play
wait-frame quit 20000
wait-closed 10000
SCRIPT

# The prefix is made by the first Wine run; the device's registration may be it.
"$device" --prefix "$prefix" --wine "$wine_run" --plug "$plug" --raw \
  --script "$work/session" >"$work/device.out" 2>"$work/device.err" &
device_pid=$!

LD_PRELOAD="$shim" "$wine_run" "$prefix" "$probe" >"$work/probe.out" 2>&1
probe_status=$?
wait "$device_pid"
device_status=$?
device_pid=

echo "--- probe (status $probe_status)"; cat "$work/probe.out"
echo "--- device (status $device_status)"; cat "$work/device.out"; cat "$work/device.err"

fail=0
expect() {
  if ! grep -qxF -- "$1" "$work/device.out"; then echo "MISSING: $1"; fail=1; fi
}
expect "event opened"
expect "sent greeting 4F 4B"
expect "frame time 7"
expect 'frame track length=225 position=2 count=5 album="Альбом" title="Привет"'
expect "display 2/5  0:07 / 3:45  Альбом - Привет"
expect "sent play 20 DF 40 BF"
expect "frame quit"
expect "event closed"
expect "event exiting status=0"
grep -q "^event plugged port=COM[0-9]* pty=/dev/pts/[0-9]* link=.* registered=yes$" "$work/device.out" ||
  { echo "MISSING: event plugged ... registered=yes"; fail=1; }
grep -q "^garbage" "$work/device.out" && { echo "UNEXPECTED: garbage"; fail=1; }
# The opening greeted once, and the quit frame was the last frame.
[ "$(grep -c '^sent greeting' "$work/device.out")" = 1 ] || { echo "greeting not sent exactly once"; fail=1; }
[ "$(grep '^frame' "$work/device.out" | tail -1)" = "frame quit" ] || { echo "quit frame not last"; fail=1; }
# The registration is gone with the device.
if WINEPREFIX="$prefix" "$wine_run" "$plug" list | grep -q "hwids=USB.VID_1FC9&PID_400F"; then
  echo "device still registered after exit"; fail=1
fi
[ "$probe_status" = 0 ] && [ "$device_status" = 0 ] && [ "$fail" = 0 ]
