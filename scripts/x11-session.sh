#!/usr/bin/env bash
# Runs a command as a desktop session would: a private X server (Xvfb) with a window manager
# (openbox) and a private D-Bus session bus, on which the accessibility bus starts on demand.
# Usage: scripts/x11-session.sh COMMAND [ARGUMENTS...]; exits with the command's status.
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
  exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" --inside "$@"
fi
shift
# Services the session bus starts (the accessibility registry among them) reach this display, as
# in a desktop session: the registry makes the key presses an assistive technology asks for.
dbus-update-activation-environment DISPLAY XAUTHORITY

openbox --sm-disable >/dev/null 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null || true; wait "$wm" 2>/dev/null || true' EXIT
# The window manager is up once it has named itself on the root window; at most 10 s.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" || { echo "openbox did not start" >&2; exit 1; }

unset QT_QPA_PLATFORM  # the real X server, not the offscreen one the other tests use
"$@"
