#!/usr/bin/env bash
# Configures and builds one flavour of the tree: release (default), asan or fuzz.
# Usage: scripts/build.sh [release|asan|fuzz] [extra cmake arguments...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
flavour=${1:-release}
shift || true

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
# A compiler cache, where one is installed, makes rebuilds of other checkouts cheap.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
command -v ccache >/dev/null && generator+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
werror=OFF
[[ -n "${CI:-}" ]] && werror=ON

case "$flavour" in
release) args=(-DCMAKE_BUILD_TYPE=Release) ;;
asan) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORAK_SANITIZE=ON -DVELMORAK_BENCH=OFF -DVELMORAK_GUI=OFF) ;;
fuzz) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
            -DVELMORAK_FUZZ=ON -DVELMORAK_TESTS=OFF -DVELMORAK_BENCH=OFF) ;;
*) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac

cmake -S "$root" -B "$root/build/$flavour" "${generator[@]}" -DVELMORAK_WERROR=$werror "${args[@]}" "$@" >/dev/null
cmake --build "$root/build/$flavour" --parallel "$(nproc)"
