#!/usr/bin/env bash
# scripts/run without a display: one line that says how to start headless, before any build.
set -u
out=$(env -u DISPLAY -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY bash "$1" 2>&1)
rc=$?
[ "$rc" -ne 0 ] || { echo "scripts/run went on without a display"; exit 1; }
[ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || { echo "more than one line:"; echo "$out"; exit 1; }
case $out in
  *"xvfb-run -a bash scripts/run"*) echo "headless hint ok" ;;
  *) echo "no headless command in: $out"; exit 1 ;;
esac
