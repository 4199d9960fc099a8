#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (no display needed:
# the one test that needs an X server brings its own Xvfb).
set -euo pipefail
cd "$(dirname "$0")"
# Xvfb and xdotool: the program ended by signals amid a load, in an X server.
./scripts/install-deps.sh xvfb xdotool
./scripts/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
../tests/package/tst_package.sh
../scripts/test-sanitized.sh
cd ..
./scripts/fuzz-smoke.sh
