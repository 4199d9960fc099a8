#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program in work/, with the
# modem simulator answering on port 1 (work/com1) when it has been built.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh
mkdir -p work
cd work

sim_pid=""
if [ -x ../build/modemsim ]; then
    ../build/modemsim --link com1 --record modemsim-record.txt --state modemsim-state.txt &
    sim_pid=$!
    trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
    trap 'exit 143' TERM INT
    for _ in $(seq 50); do [ -e com1 ] && break; sleep 0.1; done
fi

../build/adslconf
