#!/usr/bin/env bash
# Runs one Windows test program under Wine with an X display and a Wine prefix
# of its own, then ends every process it started (the Wine server of that
# prefix and the X server). Usage: run_with_display.sh PREFIX PROGRAM [ARGS...]
set -u
prefix=$1
shift

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64

display=""
for n in $(seq 91 150); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }

Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  wineserver -k >/dev/null 2>&1
  kill "$xvfb" >/dev/null 2>&1
  wait "$xvfb" 2>/dev/null
}
trap cleanup EXIT
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.05
done
export DISPLAY=":$display"

if [ ! -f "$prefix/.tavlo-ready" ]; then
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.tavlo-ready"
fi
# Start the prefix's service processes with their output to /dev/null, so
# that they never hold the test's output pipe open.
wineboot >/dev/null 2>&1

wine "$@"
