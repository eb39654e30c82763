#!/usr/bin/env bash
# Starts Pagegleaner. Without a display (a bare console or a CI box) it starts
# a private Xvfb first so the program can still be used through a VNC or
# screenshots; with a display it simply runs the program.
set -euo pipefail
exe="$1"
shift || true
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$exe" "$@"
fi
echo "No display found: starting the program on a private Xvfb display."
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$exe" "$@"
