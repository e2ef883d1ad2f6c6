#!/usr/bin/env bash
# Builds the tests with ThreadSanitizer and runs them (by default all; pass
# ctest arguments such as -R stress to run a few). The build includes
# tools/tsanqt, which CTest preloads into every test: it tells the sanitizer
# about Qt's locks and event hand-overs, so reports in our code are real and
# scripts/tsan.supp only leaves out what happens inside the Qt libraries.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/deps.sh"
trovina_install_deps
build="$root/build/tsan"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTROVINA_TSAN=ON -DTROVINA_BENCH=OFF >/dev/null
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen LANG=C.UTF-8
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/tsan.supp}"
run=(ctest --test-dir "$build" --output-on-failure --no-tests=error -j 2 "$@")
if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  exec unshare -n bash -c 'ip link set lo up && exec "$@"' bash "${run[@]}"
fi
exec "${run[@]}"
