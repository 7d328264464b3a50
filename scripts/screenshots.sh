#!/usr/bin/env bash
# screenshots.sh [OUTPUT-FOLDER] [NAME-FILTER]: renders every window and panel of Vesperine in
# its main states to PNG, light and dark, at 1x and 2x, on Qt's offscreen platform with a real
# font (DejaVu). Run after a build (scripts/test.sh builds it); writes to build/screenshots by
# default.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$here/build/screenshots}
tool="$here/build/tools/screenshots/vesperine_screenshots"
[[ -x "$tool" ]] || { echo "build first: $tool is missing" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
for scale in 1 2; do
    QT_SCALE_FACTOR=$scale "$tool" "$out" "${2:-}"
done
