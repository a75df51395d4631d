#!/usr/bin/env bash
# Checks no compiler makes: the layers of the core (which folder may include which), no Qt
# header in the core, and every C++ file formatted.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The folders each folder of src/ may include from, besides itself. The core's subsystems are
# stacked: base <- rules <- settings <- record, sound <- engine <- server, dgt <- app; platform
# holds adapters behind the ports of any of them; the CLI and the desktop program sit on top.
declare -A allowed=(
    [base]=""
    [rules]="base"
    [settings]="base"
    [record]="base rules settings"
    [sound]="base rules settings"
    [engine]="base rules settings record sound"
    [server]="base rules settings record sound engine"
    [dgt]="base rules settings record sound engine"
    [app]="base rules settings record sound engine server dgt"
    [platform]="base rules settings record sound engine server dgt app"
    [cli]="base rules settings record sound engine server dgt app platform"
    [gui]="base rules settings record sound engine server dgt app platform"
)
for dir in src/*/; do
    layer=$(basename "$dir")
    if [[ ! -v allowed[$layer] ]]; then
        echo "src/$layer has no place in the layers of scripts/check-sources.sh" >&2
        status=1
        continue
    fi
    while IFS=: read -r file line include; do
        used=$(sed -E 's/.*#\s*include\s*"([a-z]+)\/.*/\1/' <<<"$include")
        [[ "$used" == "$layer" ]] && continue
        [[ -v allowed[$used] ]] || continue # a third-party folder, not one of ours
        if [[ " ${allowed[$layer]} " != *" $used "* ]]; then
            echo "$file:$line: $layer may not include $used:$include" >&2
            status=1
        fi
    done < <(grep -rn -E '^\s*#\s*include\s*"[a-z]+/' "$dir" || true)
done

core_dirs=(src/base src/rules src/record src/settings src/sound src/engine src/app src/server
           src/dgt src/platform)
existing=()
for d in "${core_dirs[@]}"; do [[ -d "$d" ]] && existing+=("$d"); done
if [[ ${#existing[@]} -gt 0 ]] && grep -rn -E '#\s*include\s*<Q' "${existing[@]}"; then
    echo "The core must not include Qt headers (lines above)." >&2
    status=1
fi

mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c' 2>/dev/null)
if [[ ${#files[@]} -gt 0 ]]; then
    if ! clang-format --dry-run --Werror "${files[@]}" 2>"$work/format.log"; then
        head -n 40 "$work/format.log" >&2
        echo "Some files are not formatted; run: clang-format -i \$(git ls-files '*.cpp' '*.h' '*.c')" >&2
        status=1
    fi
fi
exit $status
