#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it (under Xvfb when there is no display).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup-deps.sh"
mkdir -p "$root/build"
"$root/scripts/build.sh" "$root/build" -DTOLVA_BUILD_TESTS=OFF -DTOLVA_BUILD_BENCH=OFF
app="$root/build/app/TolvaUSB"
if [ -n "${DISPLAY:-}" ]; then
    exec "$app" "$@"
else
    echo "No display (DISPLAY is not set): Tolva USB runs on a virtual display (Xvfb) and shows no window here; stop it with Ctrl+C." >&2
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$app" "$@"
fi
