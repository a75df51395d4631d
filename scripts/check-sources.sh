#!/usr/bin/env bash
# Checks no compiler makes: the layers of the core (which folder may include which), no Qt
# header in the core, and every C++ file formatted.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The folders each folder of src/ may include from, besides itself: src/layers.txt, which the
# build also links by.
declare -A allowed=()
while IFS=: read -r layer uses; do
    [[ "$layer" =~ ^[a-z]+$ ]] || continue
    allowed[$layer]=$(xargs <<<"$uses")
done <src/layers.txt
for dir in src/*/; do
    layer=$(basename "$dir")
    if [[ ! -v allowed[$layer] ]]; then
        echo "src/$layer has no place in src/layers.txt" >&2
        status=1
        continue
    fi
    while IFS=: read -r file line include; do
        # Our headers are named by their folder from src/, in quotes: <folder/...> and relative
        # paths would slip past the layer check.
        if [[ "$include" =~ \#[[:space:]]*include[[:space:]]*[\<\"](\.\./)*([a-z]+)/ ]]; then
            used=${BASH_REMATCH[2]}
        else
            continue
        fi
        [[ -v allowed[$used] ]] || continue # a third-party folder, not one of ours
        if [[ "$include" =~ \.\./ || "$include" =~ \< ]]; then
            echo "$file:$line: include our headers as \"$used/...\":$include" >&2
            status=1
            continue
        fi
        [[ "$used" == "$layer" ]] && continue
        if [[ " ${allowed[$layer]} " != *" $used "* ]]; then
            echo "$file:$line: $layer may not include $used:$include" >&2
            status=1
        fi
    done < <(grep -rn -E '^\s*#\s*include\s*[<"](\.\./)*[a-z]+/' "$dir" || true)
done

core_dirs=(src/base src/rules src/record src/settings src/sound src/engine src/app src/present
           src/server src/dgt src/platform)
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
