#!/usr/bin/env bash
# Installs the build tree into a fresh prefix and uses the installed program as a user
# would: the plug-in, its engine, the shipped positions and the desktop's files must all
# be where the installed executables and the desktop look for them.
# Usage: install_tree_test.sh BUILD_DIR
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$1" --prefix "$prefix" >/dev/null
export VELMORAK_DOCUMENTS=$work/documents VELMORAK_CONFIG=$work/settings.reg
cli=$prefix/bin/velmorak-cli
start='rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1'

fail() { echo "FAILED: $*" >&2; exit 1; }
for file in bin/velmorak bin/VelmoEngine.vme bin/Velmorak.htm bin/vmbook.kbk \
    share/applications/net.velmorak.Velmorak.desktop share/mime/packages/net.velmorak.Velmorak.xml; do
    [[ -f "$prefix/$file" ]] || fail "$file is not installed"
done
# Whole outputs are read before they are searched: a reader that stops early would end the
# program with SIGPIPE.
analysis=$("$cli" engine analyse "$start" --depth 2)
grep -q '^bestmove ' <<<"$analysis" || fail "the installed plug-in gives no move"
book=$("$cli" book lookup "$prefix/bin/vmbook.kbk" "$start")
grep -q '^e2e4 ' <<<"$book" || fail "the installed book has no e4"
training=$(printf 'train\nquit\n' | "$cli" play --white human --black human)
grep -q '^fen 2k4r/' <<<"$training" || fail "training does not start from the installed positions"
[[ -f "$VELMORAK_DOCUMENTS/vmtactics.pgn" ]] || fail "the positions were not copied to the documents folder"
echo "the installed tree works"
