#!/usr/bin/env bash
# build.sh <build-dir> [cmake options...]: configures and builds with at most two jobs.
# Warnings are errors unless the options say -DVESPERINE_WERROR=OFF (scripts/run.sh does).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
cmake -S "$here" -B "$dir" -G Ninja -DVESPERINE_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j 2
