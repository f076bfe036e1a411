#!/usr/bin/env bash
# Runs a command as under a screen reader's desktop: on a virtual X display, with a session bus
# (dbus-run-session), the AT-SPI bus on it, and Qt's accessibility bridge on for the xcb
# platform. Exits 77 (skipped) where a piece is missing.
#   a11y_session.sh COMMAND [ARGS...]
set -u
launcher=/usr/libexec/at-spi-bus-launcher
for tool in dbus-run-session dbus-send xvfb-run; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$launcher" ] || { echo "skipped: $launcher is not installed (at-spi2-core)"; exit 77; }
command -v "$1" >/dev/null || { echo "skipped: $1 is not installed"; exit 77; }

if [ -z "${A11Y_SESSION_BUS:-}" ]; then
  # A runtime folder of the session's own: the AT-SPI bus puts its socket there (else in the
  # home folder, where two sessions at once would take the same one).
  runtime=$(mktemp -d)
  trap 'rm -rf "$runtime"' EXIT
  env A11Y_SESSION_BUS=1 XDG_RUNTIME_DIR="$runtime" dbus-run-session -- bash "$0" "$@"
  exit $?
fi

# The AT-SPI bus is up before the program starts: Qt's bridge looks for it once, at its start.
"$launcher" --launch-immediately &
launcher_pid=$!
trap 'kill "$launcher_pid" 2>/dev/null' EXIT
for _ in $(seq 100); do
  if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
       org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q "boolean true"; then
    break
  fi
  sleep 0.1
done

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb xvfb-run -a "$@"
