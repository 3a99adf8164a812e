#!/usr/bin/env bash
# Starts the editor; without a display it runs under a virtual X server.
set -euo pipefail
exe=$1; shift
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display found; running under xvfb-run." >&2
    exec xvfb-run -a -s "-screen 0 1600x1000x24" "$exe" "$@"
fi
exec "$exe" "$@"
