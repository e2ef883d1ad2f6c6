#!/usr/bin/env bash
# Builds the tests with gcov instrumentation (Debug, no sanitizers) in a build
# dir of its own, runs them all with CTest and prints the line coverage of
# model/ and engine/, each on its own and together.
# Usage: scripts/coverage.sh [ctest arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/deps.sh"
TROVINA_PACKAGES+=(gcovr)
trovina_install_deps
build="$root/build/coverage"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTROVINA_BENCH=OFF \
  "-DCMAKE_C_FLAGS=--coverage -fprofile-update=atomic" \
  "-DCMAKE_CXX_FLAGS=--coverage -fprofile-update=atomic" \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$build"

# Counters of an earlier run would add up with this one. (The counters are
# updated atomically: the tests run threads, and plain counters lose counts.)
find "$build" -name '*.gcda' -delete

export QT_QPA_PLATFORM=offscreen LANG=C.UTF-8
jobs=$(nproc 2>/dev/null || echo 2)
run=(ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$jobs" "$@")
status=0
if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  unshare -n bash -c 'ip link set lo up && exec "$@"' bash "${run[@]}" || status=$?
else
  "${run[@]}" || status=$?
fi

# One pass over the counters of the two layers, then a summary per filter.
json="$build/coverage.json"
gcovr --root "$root" --filter "$root/model/" --filter "$root/engine/" --json "$json" \
  "$build/model" "$build/engine" >/dev/null
summary() {
  gcovr --root "$root" --add-tracefile "$json" "$@" --print-summary | sed -n 's/^lines: *//p'
}
echo "line coverage"
echo "  model/:          $(summary --filter "$root/model/")"
echo "  engine/:         $(summary --filter "$root/engine/")"
echo "  model/+engine/:  $(summary --filter "$root/model/" --filter "$root/engine/")"
[ "$status" -eq 0 ] || echo "some tests failed (ctest status $status): coverage counts what ran"
exit "$status"
