#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts the desktop program; arguments are
# passed to it (a .pgn or .kbk file).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" release
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    echo "No display to show velmorak on (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
    echo "Built; build/release/bin/velmorak-cli --help lists what works without one." >&2
    exit 1
fi
exec "$root/build/release/bin/velmorak" "$@"
