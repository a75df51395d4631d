#!/usr/bin/env bash
# Renders the main window in every layout, with every board texture and every piece set, so
# a person can look at them. The pictures are written to a folder (default
# /tmp/velmorak-screenshots) and not kept in the repository.
# Usage: tools/screenshots.sh [FOLDER] [PROGRAM]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-/tmp/velmorak-screenshots}
program=${2:-$root/build/release/bin/velmorak}
[[ -x "$program" ]] || { echo "no program at $program (build it first: scripts/build.sh)" >&2; exit 1; }
mkdir -p "$out"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
settings=$(mktemp)
trap 'rm -f "$settings"' EXIT
# A middle-game position with a capture, a castled king and a pawn about to promote.
fen='r1bq1rk1/pP2bppp/2n2n2/3pp3/4P3/2NP1N2/PP1B1PPP/R2QKB1R w KQ - 0 9'

shot() { # name texture pieceset [velmorak options...]
    local name=$1 texture=$2 pieces=$3
    shift 3
    printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\software\\Brindleworks\\Velmorak\\Settings]\n"IDC_CBSQUARES"=dword:%08x\n"IDC_CBPIECESET"=dword:%08x\n' \
        "$texture" "$pieces" >"$settings"
    VELMORAK_CONFIG=$settings "$program" --screenshot "$out/$name.png" --fen "$fen" "$@"
}

for layout in $(seq 0 15); do
    read -r w h <<<"$(case $layout in
        3 | 10) echo "960 564" ;;
        5 | 6 | 12 | 13 | 14 | 15) echo "720 564" ;;
        *) echo "600 670" ;;
        esac)"
    shot "layout-$(printf %02d "$layout")" 6 0 --layout "$layout" --size "${w}x${h}"
done
# In the order of the setting's values (IDC_CBSQUARES 0..10).
textures=("Brown" "Slate" "Red marble" "Green marble" "Blue marble" "Maple" "Cherry" "Oak"
    "Black marble" "Dark blue marble" "Light blue marble")
for i in "${!textures[@]}"; do
    shot "texture-$(printf %02d "$i")-${textures[$i]// /-}" "$i" 0 --layout 8 --size 600x670
done
sets=("Cases" "Leipzig" "Mark" "Spanish" "Toonish" "Blocks")
for i in "${!sets[@]}"; do
    shot "pieces-$i-${sets[$i]}" 6 "$i" --layout 7 --size 600x670
done
for size in 480x640 1200x900 1600x900 900x1200; do
    shot "window-$size" 6 0 --size "$size"
done
echo "pictures in $out"
