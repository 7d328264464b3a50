#!/usr/bin/env bash
# install-check.sh <build dir>: installs the build into a scratch root, as a package would,
# and checks what landed there with the tools desktops and software centres judge it by.
# A missing tool is reported and its check skipped (status 77 tells CTest so).
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
share=$root/usr/share
[[ -x $root/usr/bin/vesperine ]] || fail "no program in bin/"
for icon in scalable/apps/com.brevan.vesperine.svg symbolic/apps/com.brevan.vesperine-symbolic.svg; do
    [[ -s $share/icons/hicolor/$icon ]] || fail "no icon $icon"
done

skipped=()
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$share/applications/com.brevan.vesperine.desktop"
else
    skipped+=(desktop-file-validate)
fi
if command -v appstreamcli >/dev/null; then
    # The tree: the metainfo file, and the desktop entry and icon it points at.
    appstreamcli validate-tree --no-net --pedantic "$root" >"$root/appstream.log" ||
        fail "appstreamcli: $(cat "$root/appstream.log")"
else
    skipped+=(appstreamcli)
fi
if command -v groff >/dev/null; then
    # -ww: every warning; a page that renders with one is still wrong.
    warnings=$(gzip -dc "$share/man/man1/vesperine.1.gz" | groff -man -ww -z 2>&1)
    [[ -z $warnings ]] || fail "manual page: $warnings"
else
    skipped+=(groff)
fi
if ((${#skipped[@]})); then
    echo "skipped, not installed: ${skipped[*]}"
    exit 77
fi
echo "installed tree: desktop entry, metainfo, icons and manual page pass their checks"
