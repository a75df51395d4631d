#!/usr/bin/env bash
# Remakes the screenshots of the AppStream metadata from a build:
# scripts/make-appstream-screenshots.sh build/release
# The program renders each one itself, off screen, with settings and documents of its own;
# optipng shrinks them when it is installed. The metadata names each picture with its size,
# so a picture of another size needs its <image> line changed too.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [[ $# -ne 1 ]]; then
    echo "usage: $0 BUILD_FOLDER (for example build/release)" >&2
    exit 2
fi
program="$1/bin/velmorak"
if [[ ! -x "$program" ]]; then
    echo "$program is missing: build the desktop program first" >&2
    exit 1
fi
out="$root/data/appstream"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/documents" "$work/runtime" "$out"
chmod 700 "$work/runtime"
export QT_QPA_PLATFORM=offscreen
export VELMORAK_CONFIG="$work/settings.reg"
export VELMORAK_DOCUMENTS="$work/documents"
export XDG_RUNTIME_DIR="$work/runtime"

cat >"$work/italian.pgn" <<'EOF'
[Event "Casual game"]
[Site "Home"]
[Date "2026.12.07"]
[Round "-"]
[White "Player"]
[Black "Velmorak"]
[Result "*"]

1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. c3 Nf6 5. d4 exd4 6. cxd4 Bb4+ 7. Nc3 Nxe4 8. O-O
Bxc3 9. d5 Bf6 10. Re1 Ne7 11. Rxe4 d6 *
EOF
cat >"$work/queens-gambit.pgn" <<'EOF'
[Event "Training"]
[Site "Home"]
[Date "2026.12.07"]
[Round "-"]
[White "Velmorak"]
[Black "Player"]
[Result "*"]

1. d4 d5 2. c4 e6 3. Nc3 Nf6 4. Bg5 Be7 5. e3 O-O 6. Nf3 Nbd7 7. Rc1 c6 8. Bd3 dxc4
9. Bxc4 Nd5 10. Bxe7 Qxe7 11. O-O Nxc3 12. Rxc3 e5 *
EOF

"$program" --screenshot "$out/game.png" --size 1000x700 "$work/italian.pgn"
"$program" --screenshot "$out/portrait.png" --size 600x860 "$work/queens-gambit.pgn"
"$program" --screenshot "$out/setup.png" --dialog setup
if command -v optipng >/dev/null; then
    optipng -quiet -o5 "$out"/*.png
fi
file "$out"/*.png
