#!/usr/bin/env bash
# compare-idle.sh [SECONDS] PROGRAM...: the idle cost of each given build of Vesperine, all in
# the same run, each on a dummy-driver X server of its own, untinted (12:00: the default
# schedule shows Bright, which X11 cannot show, so nothing is written) and tinted (21:00: Warm).
# Reports per program and case: CPU seconds and wake-ups (context switches) over SECONDS (600),
# and resident memory after start-up. With VESPERINE_IDLE_TRAY=1 each server has an XEmbed
# tray (trayer), and the tray icon's panel is opened and closed once before measuring.
# Run from the repository root after the builds.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=600
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then seconds=$1; shift; fi
(($# > 0)) || { echo "usage: $0 [SECONDS] PROGRAM..." >&2; exit 2; }

if [[ "${VESPERINE_IDLE_ONE:-}" == 1 ]]; then
    # One program on the server with-xorg.sh started: compare-idle.sh SECONDS PROGRAM HH:MM
    program=$1 start=$2
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -m 700 "$work/run"
    tick=$(getconf CLK_TCK)
    if [[ "${VESPERINE_IDLE_TRAY:-}" == 1 ]]; then
        trayer --edge top --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 &
        tray=$!
        trap 'kill $tray; rm -rf "$work"' EXIT
        sleep 1
    fi
    env HOME="$work" XDG_RUNTIME_DIR="$work/run" TZ=UTC VESPERINE_LOG_STDERR=1 \
        DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" \
        "$program" --clock-start="$start" 2>"$work/log" &
    pid=$!
    sleep 5  # start-up and its first fade are over
    if [[ "${VESPERINE_IDLE_TRAY:-}" == 1 ]]; then
        # The icon sits at the tray's right end (120 px wide, at the screen's right edge).
        width=$(xwininfo -root | awk '/Width:/ { print $2 }')
        xdotool mousemove $((width - 12)) 12 click 1 && sleep 1 && xdotool key Escape && sleep 1
    fi
    stat() { awk -v t="$tick" '{ printf "%.3f", ($14 + $15) / t }' "/proc/$pid/stat"; }
    wakes() { awk '/ctxt_switches/ { n += $2 } END { print n }' "/proc/$pid/status"; }
    rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
    c0=$(stat) w0=$(wakes)
    sleep "$seconds"
    c1=$(stat) w1=$(wakes)
    kill -TERM "$pid"; wait "$pid" || true
    awk -v p="$program" -v s="$start" -v c="$(echo "$c1 - $c0" | bc -l)" -v w="$((w1 - w0))" \
        -v r="$rss" -v d="$seconds" 'BEGIN {
            printf "%-60s %s  CPU %.3f s  wake-ups %d (%.2f/s)  RSS %d KiB\n", p, s, c, w, w / d, r }'
    exit 0
fi

outputs=()
for program in "$@"; do
    for start in 12:00 21:00; do
        out=$(mktemp)
        outputs+=("$out")
        VESPERINE_IDLE_ONE=1 "$here/tests/X11/with-xorg.sh" "$0" "$seconds" "$program" "$start" \
            >"$out" 2>/dev/null &
        sleep 1  # one server at a time claims a display number
    done
done
wait
echo "Over $seconds s, after start-up (12:00 untinted, 21:00 tinted):"
cat "${outputs[@]}"
rm -f "${outputs[@]}"
