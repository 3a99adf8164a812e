#!/usr/bin/env bash
# Starts the editor with the files given, or with a working copy of the sample sermon when
# none is given (the copy keeps edits and autosave away from the file in the repository).
# Without a display it runs under a virtual X server.
set -euo pipefail
exe=$1; shift
if [[ $# -eq 0 ]]; then
    root=$(cd "$(dirname "$0")/.." && pwd)
    sample="$(dirname "$(dirname "$exe")")/sample-sermon.md"
    [[ -f "$sample" ]] || cp "$root/data/sample-sermon.md" "$sample"
    set -- "$sample"
fi
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display found; running under xvfb-run." >&2
    exec xvfb-run -a -s "-screen 0 1600x1000x24" "$exe" "$@"
fi
exec "$exe" "$@"
