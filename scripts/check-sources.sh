#!/usr/bin/env bash
# Checks no compiler makes: the core includes no Qt header, and every C++ file is formatted.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
status=0

core_dirs=(src/rules src/record src/settings src/sound src/engine src/app src/server src/dgt src/platform)
existing=()
for d in "${core_dirs[@]}"; do [[ -d "$d" ]] && existing+=("$d"); done
if [[ ${#existing[@]} -gt 0 ]] && grep -rn -E '#\s*include\s*<Q' "${existing[@]}"; then
    echo "The core must not include Qt headers (lines above)." >&2
    status=1
fi

mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c' 2>/dev/null)
if [[ ${#files[@]} -gt 0 ]]; then
    if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/velmorak-format.log; then
        head -n 40 /tmp/velmorak-format.log >&2
        echo "Some files are not formatted; run: clang-format -i \$(git ls-files '*.cpp' '*.h' '*.c')" >&2
        status=1
    fi
fi
exit $status
