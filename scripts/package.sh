#!/usr/bin/env bash
# Makes the Debian package from the Release build into build/package/ and proves it: lintian
# finds no error, the AppStream file (when there is one) validates, and the programs run
# from the unpacked package, finding their plug-ins, data and manual there.
# Usage: scripts/package.sh   (reuses build/release, building it first when needed)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/install-deps.sh

echo "== Debian package"
[[ -f build/release/CMakeCache.txt ]] || scripts/build.sh release
cmake --build build/release --parallel "$(nproc)"
rm -rf build/package
cpack -G DEB --config build/release/CPackConfig.cmake -B build/package >/dev/null
deb=$(ls build/package/velmorak_*.deb)
echo "$deb: $(du -k "$deb" | cut -f1) KiB"
dpkg-deb --field "$deb" Package Version Section Depends Recommends

echo "-- lintian"
# Errors fail the package; warnings are shown and left to the reader. Root has to say so.
lintian_args=(--fail-on error)
[[ $(id -u) -eq 0 ]] && lintian_args+=(--allow-root)
lintian "${lintian_args[@]}" "$deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
usr=$work/root/usr

echo "-- AppStream"
metainfo=$usr/share/metainfo/net.velmorak.Velmorak.metainfo.xml
if [[ -f "$metainfo" ]]; then
    appstreamcli validate --no-net "$metainfo"
else
    echo "no ${metainfo#"$work/root"} in the package: not validated"
fi

echo "-- The unpacked package runs"
fail() { echo "package.sh: $*" >&2; exit 1; }
# Private settings, documents and runtime folders: the check must not see or touch the
# user's own.
export VELMORAK_CONFIG=$work/config VELMORAK_DOCUMENTS=$work/documents XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$work/runtime" && chmod 700 "$work/runtime"

nodes=$("$usr/bin/velmorak-cli" perft 4)
grep -qw 197281 <<<"$nodes" || fail "perft 4 from the package gave: $nodes"
# Nothing lies beside the unpacked programs: any name listed comes from usr/lib/velmorak.
engines=$("$usr/bin/velmorak-cli" engine list)
[[ -n "$engines" ]] || fail "the packaged velmorak-cli finds no engine plug-in"
echo "engines: $engines"
[[ -f "$usr/share/velmorak/Velmorak.htm" ]] || fail "no manual at usr/share/velmorak"
for shipped in vmtactics.pgn sounds/default.wav; do
    [[ -f "$usr/share/velmorak/$shipped" ]] || fail "no $shipped at usr/share/velmorak"
done
QT_QPA_PLATFORM=offscreen "$usr/bin/velmorak" --screenshot "$work/window.png"
[[ -s "$work/window.png" ]] || fail "the packaged velmorak made no screenshot"
echo "perft 4, engine list, data files and the window's screenshot: all from the package"
