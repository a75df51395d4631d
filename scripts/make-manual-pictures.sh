#!/usr/bin/env bash
# Remakes the manual's pictures from a build: scripts/make-manual-pictures.sh build/release
# The program renders each picture itself, off screen, with settings and documents of its own
# so that nothing of the user's shows in them; optipng shrinks them when it is installed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [[ $# -ne 1 ]]; then
    echo "usage: $0 BUILD_FOLDER (for example build/release)" >&2
    exit 2
fi
bin="$1/bin"
program="$bin/velmorak"
if [[ ! -x "$program" ]]; then
    echo "$program is missing: build the desktop program first" >&2
    exit 1
fi
out="$root/data/manual/pictures"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/documents" "$work/runtime"
chmod 700 "$work/runtime"
export QT_QPA_PLATFORM=offscreen
export VELMORAK_CONFIG="$work/settings.reg"
export VELMORAK_DOCUMENTS="$work/documents"
export XDG_RUNTIME_DIR="$work/runtime"
# The shipped book and positions, as the first start puts them in the documents folder.
cp "$bin/vmbook.kbk" "$bin/vmtactics.pgn" "$work/documents/"

# A game under way, with a comment, so the move list and the game's dialogs have something
# to show.
game="$work/documents/Club evening.pgn"
cat >"$game" <<'EOF'
[Event "Club evening"]
[Site "Home"]
[Date "2026.12.07"]
[Round "1"]
[White "Player"]
[Black "Velmorak"]
[Result "*"]

1. e4 e5 2. Nf3 Nc6 3. Bc4 {The Italian game.} Bc5 4. c3 Nf6 5. d4 exd4 6. cxd4 Bb4+
7. Bd2 Bxd2+ 8. Nbxd2 d5 *
EOF

mkdir -p "$out"
# The database sheet's picture needs the masters file and stays when it is missing.
find "$out" -name '*.png' ! -name dialog-database.png -delete
shot() {
    local name=$1
    shift
    "$program" --screenshot "$out/$name.png" "$@" "$game" 2>"$work/log" || {
        cat "$work/log" >&2
        echo "the picture $name.png could not be made" >&2
        exit 1
    }
}

shot window --size 760x480
shot window-buttons --size 480x640 --layout 1
for dialog in details moves comment save levels options dgt-ports book setup setup-details \
    server-login server-sheet chat channels; do
    shot "dialog-$dialog" --dialog "$dialog"
done

# The database sheet over a small database of real games, sorted by White.
database="$work/documents/Masters.pgn"
masters="$root/../shared/data/pgn/masters-111k.pgn"
if [[ -f "$masters" ]]; then
    awk '/^\[Event /{ if (++games > 40) exit } { print }' "$masters" >"$database"
    cat >"$VELMORAK_CONFIG" <<SETTINGS
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\software\\Brindleworks\\Velmorak\\Settings]
"MostRecentDatabaseFilename"="$database"
"nDatabaseSortMode"=dword:00000002
SETTINGS
    shot dialog-database --dialog database
    rm -f "$VELMORAK_CONFIG"
else
    echo "no $masters: the database sheet's picture is kept as it was" >&2
fi

if command -v optipng >/dev/null; then
    optipng -quiet -o2 "$out"/*.png
fi
du -ch "$out"/*.png | tail -n 1
