#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts the program.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" release
if [[ -x "$root/build/release/bin/velmorak" ]]; then
    exec "$root/build/release/bin/velmorak" "$@"
fi
# No desktop program in this tree yet: show what the command-line companion does.
exec "$root/build/release/bin/velmorak-cli" --help
