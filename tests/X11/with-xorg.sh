#!/usr/bin/env bash
# with-xorg.sh COMMAND...: starts Xorg with the dummy driver on a free display number, runs
# COMMAND with DISPLAY set to it, stops the server, and exits with COMMAND's status.
# Exits 77 (the "skipped" code CTest is told about) when no X server can be started here.
set -u
here=$(cd "$(dirname "$0")" && pwd)
xorg=$(command -v Xorg || true)
if [[ -z "$xorg" ]]; then
    echo "SKIP: Xorg is not installed (xserver-xorg-core, xserver-xorg-video-dummy)" >&2
    exit 77
fi

work=$(mktemp -d)
cleanup() {
    if [[ -n "${server:-}" ]]; then
        kill "$server" 2>/dev/null
        for _ in $(seq 50); do kill -0 "$server" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$server" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

for n in $(seq 90 140); do
    # A lock whose server has died is stale: Xorg clears it (and its socket) itself.
    if [[ -e /tmp/.X$n-lock ]]; then
        owner=$(tr -dc '0-9' </tmp/.X$n-lock 2>/dev/null || true)
        [[ -n "$owner" ]] && kill -0 "$owner" 2>/dev/null && continue
    elif [[ -e /tmp/.X11-unix/X$n ]]; then
        continue
    fi
    # -config takes a path relative to the config search dirs unless run as root; give the
    # absolute file and allow it.
    "$xorg" ":$n" -config "$here/xorg-dummy.conf" -noreset -nolisten tcp -logfile "$work/xorg.log" \
        -quiet >"$work/xorg.out" 2>&1 &
    server=$!
    for _ in $(seq 100); do
        [[ -S /tmp/.X11-unix/X$n ]] && break
        kill -0 "$server" 2>/dev/null || break
        sleep 0.05
    done
    if [[ -S /tmp/.X11-unix/X$n ]] && kill -0 "$server" 2>/dev/null; then
        export DISPLAY=":$n"
        export VESPERINE_XORG_PID=$server
        export VESPERINE_XORG_LOG="$work/xorg.log"
        "$@"
        exit $?
    fi
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
    unset server
    if grep -q "already active\|Server is already" "$work/xorg.out" 2>/dev/null; then continue; fi
    echo "SKIP: Xorg did not start:" >&2
    tail -n 15 "$work/xorg.log" "$work/xorg.out" >&2 2>/dev/null
    exit 77
done
echo "SKIP: no free X display number" >&2
exit 77
