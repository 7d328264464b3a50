#!/usr/bin/env bash
# package-check.sh [build-dir]: packages a build (default build/) as a .deb and judges it as
# Debian judges its own packages: any lintian error or warning fails (its pedantic notes
# are shown too).
set -euo pipefail
build=${1:-build}
rm -rf "$build/deb"
(cd "$build" && cpack -G DEB -B deb >/dev/null)
lintian --pedantic --fail-on error,warning "$build"/deb/vesperine_*.deb
