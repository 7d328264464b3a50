#!/usr/bin/env bash
# run-then-test.sh <source dir>: runs scripts/run.sh, then scripts/test.sh, on a stand-in
# project (the same options; a program and one test that record where they ran). test.sh
# must run the tests of both its builds after run.sh, and fail when there is no test at all.
# run.sh installs only the program's packages and builds without warnings as errors; the
# test builds have them.
set -euo pipefail
source=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/scripts"
cp "$source"/scripts/{run.sh,test.sh,build.sh} "$work/scripts/"
printf '#!/usr/bin/env bash\necho "$*" >>deps-asked\n' >"$work/scripts/deps.sh"  # nothing is installed here
printf '#!/usr/bin/env bash\nexit 0\n' >"$work/scripts/screenshots.sh"  # nor drawn
printf '#!/usr/bin/env bash\nexit 0\n' >"$work/scripts/package-check.sh"  # nor packaged
cat >"$work/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(StandIn LANGUAGES NONE)
option(VESPERINE_WERROR "" OFF)
option(VESPERINE_SANITIZE "" OFF)
option(VESPERINE_BUILD_TESTS "" ON)
option(VESPERINE_BUILD_BENCH "" ON)
option(VESPERINE_BUILD_APP "" ON)
file(WRITE "${CMAKE_BINARY_DIR}/werror" "${VESPERINE_WERROR}")
if(VESPERINE_BUILD_APP)
    file(WRITE "${CMAKE_BINARY_DIR}/src/App/vesperine"
         "#!/bin/sh\necho \"$@\" >'${CMAKE_BINARY_DIR}/program-ran'\n")
    file(CHMOD "${CMAKE_BINARY_DIR}/src/App/vesperine" PERMISSIONS OWNER_READ OWNER_EXECUTE)
endif()
if(VESPERINE_BUILD_TESTS AND NOT EXISTS "${CMAKE_SOURCE_DIR}/no-tests")
    enable_testing()
    add_test(NAME stand_in COMMAND touch "${CMAKE_BINARY_DIR}/tests-ran")
endif()
CMAKE

fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"
env -u DISPLAY bash scripts/run.sh >run.log 2>&1 || fail "run.sh: $(cat run.log)"
compgen -G "build*/program-ran" >/dev/null || fail "run.sh did not run the program"
[[ $(cat deps-asked) == run ]] || fail "run.sh asked deps.sh for '$(cat deps-asked)', not 'run'"
for ran in build*/program-ran; do
    [[ $(cat "${ran%/*}/werror") == OFF ]] || fail "run.sh built with warnings as errors"
done
bash scripts/test.sh >test.log 2>&1 || fail "test.sh: $(cat test.log)"
for dir in build build-asan; do
    [[ -e $dir/tests-ran ]] || fail "test.sh ran no test in $dir/ after run.sh"
    [[ $(cat "$dir/werror") == ON ]] || fail "test.sh built $dir/ without warnings as errors"
done

rm -rf build build-asan
touch no-tests
if bash scripts/test.sh >test.log 2>&1; then fail "test.sh passed without running a test"; fi
echo "run.sh then test.sh: tests ran in both builds; no tests at all fails"
