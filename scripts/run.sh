#!/usr/bin/env bash
# Installs what is missing, builds in release mode and starts the program.
# Usage: scripts/run.sh [project.fm]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/deps.sh"
trovina_install_deps
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTROVINA_TESTS=OFF -DTROVINA_BENCH=OFF >/dev/null
cmake --build "$build" --target trovina
exec "$build/app/trovina" "$@"
