#!/usr/bin/env bash
# Builds a PGN file of about one million games by repeating the masters file nine times
# (1,006,911 games, about 660 MB) for bench_pgn. The file is written outside the
# repository: to the path given, else $VELMORAK_BENCH_DIR/million.pgn, else
# ${XDG_CACHE_HOME:-~/.cache}/velmorak-bench/million.pgn. Prints the path.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source_file="$root/../shared/data/pgn/masters-111k.pgn"
out=${1:-${VELMORAK_BENCH_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/velmorak-bench}/million.pgn}
case "$(realpath -m "$out")" in
"$root"/*) echo "refusing to write inside the repository: $out" >&2; exit 2 ;;
esac
mkdir -p "$(dirname "$out")"
tmp="$out.tmp"
: > "$tmp"
for _ in 1 2 3 4 5 6 7 8 9; do
    cat "$source_file" >> "$tmp"
    # Keep the copies apart even if the file ever ends without an empty line.
    printf '\n' >> "$tmp"
done
mv "$tmp" "$out"
echo "$out"
