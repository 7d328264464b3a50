#!/usr/bin/env bash
# idle-wayland.sh [SECONDS]: the idle cost of Vesperine in a Wayland session (a headless sway,
# whose outputs refuse gamma tables: the program keeps its tint asked for and retries now and
# then) between schedule steps, over SECONDS (60). Reports CPU time and wake-ups (context
# switches) as idle.sh does, and the program's count of timer callbacks. Run from the
# repository root after a build; needs sway.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
program="${VESPERINE_PROGRAM:-$here/build/src/App/vesperine}"
[[ -x "$program" ]] || { echo "build first: $program is missing" >&2; exit 1; }
command -v sway >/dev/null || { echo "sway is not installed" >&2; exit 1; }

work=$(mktemp -d)
runtime="$work/run"
mkdir -p "$runtime" && chmod 700 "$runtime" && : >"$work/sway.conf"
as_user=()
if [[ $(id -u) -eq 0 ]]; then  # sway refuses to run as root
    chown -R 65534:65534 "$work"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$runtime" HOME="$work" WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "${as_user[@]}" sway -c "$work/sway.conf" \
    >"$work/sway.log" 2>&1 &
sway_pid=$!
trap 'kill "$sway_pid" 2>/dev/null; wait "$sway_pid" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 150); do
    socket=$(ls "$runtime" 2>/dev/null | grep -E '^wayland-[0-9]+$' || true)
    [[ -n "$socket" ]] && break
    sleep 0.02
done
[[ -n "$socket" ]] || { cat "$work/sway.log"; exit 1; }

tick=$(getconf CLK_TCK)
cpu_seconds() { awk -v t="$tick" '{ printf "%.3f", ($14 + $15) / t }' "/proc/$1/stat"; }
wakeups() { awk '/^voluntary_ctxt_switches|^nonvoluntary_ctxt_switches/ { n += $2 } END { print n }' "/proc/$1/status"; }

mkdir -p "$work/home"
env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" HOME="$work/home" \
    XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data" QT_QPA_PLATFORM=offscreen \
    VESPERINE_LOG_STDERR=1 TZ=UTC "$program" --clock-start=21:00 2>"$work/vesperine.log" &
pid=$!
sleep 3
c0=$(cpu_seconds "$pid"); w0=$(wakeups "$pid")
sleep "$seconds"
c1=$(cpu_seconds "$pid"); w1=$(wakeups "$pid")
awk -v s="$seconds" -v c="$(echo "$c1 - $c0" | bc -l)" -v w="$((w1 - w0))" \
    'BEGIN { printf "vesperine on Wayland over %d s: CPU %.3f s, %d wake-ups (%.2f per second)\n", s, c, w, w / s }'
kill -TERM "$pid"; wait "$pid" || true
grep -o "Ran [0-9]* timer callbacks" "$work/vesperine.log" | sed 's/^/vesperine  /' || true
grep -c "refuses our tables" "$work/vesperine.log" | sed 's/^/vesperine  lines saying the compositor refuses: /' || true
