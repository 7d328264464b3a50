#!/usr/bin/env bash
# Installs what is missing, builds, and runs Vesperine: on the X display when one answers,
# otherwise a headless replay of one day on simulated displays. It installs only what the
# program needs and builds in a folder of its own (the program only, no tests), so it never
# changes what scripts/test.sh builds.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/deps.sh run
# A warning from a newer compiler must not stop a user's build; the tests treat them as errors.
bash scripts/build.sh build-run -DVESPERINE_WERROR=OFF -DVESPERINE_BUILD_APP=ON \
    -DVESPERINE_BUILD_TESTS=OFF -DVESPERINE_BUILD_BENCH=OFF
if [[ -n "${DISPLAY:-}" ]] && xrandr -q >/dev/null 2>&1; then
    exec build-run/src/App/vesperine "$@"
fi
echo "No X display answers here: replaying a day on simulated displays (vesperine --simulated)."
exec build-run/src/App/vesperine --simulated "$@"
