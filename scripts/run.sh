#!/usr/bin/env bash
# Installs what is missing, builds, and runs Vesperine: on the X display when one answers,
# otherwise a headless run on the simulated platform.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/deps.sh
bash scripts/build.sh build -DVESPERINE_BUILD_TESTS=OFF -DVESPERINE_BUILD_BENCH=OFF
exec build/src/App/vesperine "$@"
