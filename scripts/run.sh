#!/usr/bin/env bash
# Installs what is missing, builds in release mode and starts the program.
# Usage: scripts/run.sh [project.fm]
#        scripts/run.sh --demo [project.fm]
#
# --demo needs no hardware: it starts four simulated boards on loopback
# (tools/simboard, ports 21520-21523 or from TROVINA_DEMO_PORT), writes an
# application ini of its own that points at them, and starts the program on
# air with examples/rds.fm (or the project given). Everything the demo
# writes (ini, working copy, simboard.log) stays in a temporary directory,
# which it names at the start. The remote control listens on port 1248.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/deps.sh"
trovina_install_deps
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTROVINA_TESTS=OFF -DTROVINA_BENCH=OFF >/dev/null

if [ "${1:-}" != "--demo" ]; then
  cmake --build "$build" --target trovina
  exec "$build/app/trovina" "$@"
fi
shift
cmake --build "$build" --target trovina simboard
project=$(realpath "${1:-$root/examples/rds.fm}")
port=${TROVINA_DEMO_PORT:-21520}
demo=$(mktemp -d "${TMPDIR:-/tmp}/trovina-demo.XXXXXX")
echo "demo files: $demo"

"$build/tools/simboard/simboard" --boards 4 --address 127.0.0.1 --port "$port" --quiet \
  >"$demo/simboard.log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT
sleep 0.5
if ! kill -0 "$sim" 2>/dev/null; then
  cat "$demo/simboard.log"
  echo "simboard did not start (ports $port-$((port + 3)) taken? set TROVINA_DEMO_PORT)" >&2
  exit 1
fi

cat >"$demo/Trovina.ini" <<INI
[Board]
lang=en
addr1=127.0.0.1:$port
addr2=127.0.0.1:$((port + 1))
addr3=127.0.0.1:$((port + 2))
addr4=127.0.0.1:$((port + 3))

[Remote]
portControl=1248
portRDSData=4001
INI

echo "four simulated boards on 127.0.0.1:$port-$((port + 3)), log: $demo/simboard.log"
echo "remote control: nc 127.0.0.1 1248"
APPDATA="$demo" "$build/app/trovina" -i "$demo/Trovina.ini" "$project"
