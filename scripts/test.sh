#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the Release build with all tests,
# the core and its tests under AddressSanitizer + UndefinedBehaviorSanitizer, each fuzz
# target for a bounded time on its seed corpus, the source checks, and last the Debian
# package made from the Release build, checked and run unpacked.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
fuzz_seconds=${VELMORAK_FUZZ_SECONDS:-20}
# The Qt tests carry this in their CTest properties too; here it also covers anything else
# that starts a Qt program without a display.
export QT_QPA_PLATFORM=offscreen

scripts/install-deps.sh

echo "== Source checks"
scripts/check-sources.sh

echo "== Release build and tests"
scripts/build.sh release
ctest --test-dir build/release --output-on-failure --parallel "$(nproc)"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
scripts/build.sh asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/asan --output-on-failure --parallel "$(nproc)" -LE slow

echo "== Fuzz targets, ${fuzz_seconds}s each"
scripts/build.sh fuzz
shopt -s nullglob
for target in build/fuzz/fuzz/fuzz_*; do
    [[ -x "$target" ]] || continue
    name=$(basename "$target")
    corpus="fuzz/corpus/${name#fuzz_}"
    work=$(mktemp -d)
    seeds=()
    [[ -d "$corpus" ]] && seeds=("$corpus")
    echo "-- $name"
    "$target" -max_total_time="$fuzz_seconds" -timeout=25 -print_final_stats=0 -artifact_prefix="$work/" \
        "$work" "${seeds[@]}" 2>"$work/log" || { tail -n 60 "$work/log"; exit 1; }
    grep -E '^Done [0-9]+ runs' "$work/log" || true
    rm -rf "$work"
done

scripts/package.sh
echo "All test stages passed."
