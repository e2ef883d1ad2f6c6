#!/usr/bin/env bash
# Installs what is missing, builds the tests with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them all with CTest. As root the tests
# run in a private network namespace with only loopback up.
# Usage: scripts/test.sh [ctest arguments, e.g. -R model_tst_settings]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/deps.sh"
trovina_install_deps
build="${TROVINA_BUILD_DIR:-$root/build/test}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTROVINA_SANITIZE=ON >/dev/null
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen LANG=C.UTF-8
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
jobs=$(nproc 2>/dev/null || echo 2)
run=(ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$jobs" "$@")

if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  echo "running the tests in a private network namespace (loopback only)"
  exec unshare -n bash -c 'ip link set lo up && exec "$@"' bash "${run[@]}"
fi
exec "${run[@]}"
