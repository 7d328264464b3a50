#!/usr/bin/env bash
# idle.sh [SECONDS]: the idle cost of Vesperine between schedule steps, and of redshift in its
# continuous mode for comparison, each alone for SECONDS (600) on a dummy-driver X server.
# Also the resident memory after start-up and the time from launch to the first tinted ramp.
# Reports CPU time, wake-ups (context switches: each is the process waking from a sleep)
# and, for Vesperine, its own count of timer callbacks. Run from the repository root after
# a build; installs redshift when it is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
program="${VESPERINE_PROGRAM:-$here/build/src/App/vesperine}"
[[ -x "$program" ]] || { echo "build first: $program is missing" >&2; exit 1; }
if ! command -v redshift >/dev/null; then
    sudo=""; [[ $(id -u) -ne 0 ]] && sudo=sudo
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq redshift >/dev/null
fi

if [[ -z "${DISPLAY:-}" || -z "${VESPERINE_XORG_PID:-}" ]]; then
    exec "$here/tests/X11/with-xorg.sh" "$0" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tick=$(getconf CLK_TCK)

# cpu_seconds PID, wakeups PID, rss_kib PID
cpu_seconds() { awk -v t="$tick" '{ printf "%.3f", ($14 + $15) / t }' "/proc/$1/stat"; }
wakeups() { awk '/^voluntary_ctxt_switches|^nonvoluntary_ctxt_switches/ { n += $2 } END { print n }' "/proc/$1/status"; }
rss_kib() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
gamma_line() { xrandr --verbose | awk '/^DUMMY0/ { f = 1 } f && /Gamma:/ && !done { print; done = 1 }'; }

measure() {  # measure NAME PID
    local name=$1 pid=$2
    local c0 w0 c1 w1
    c0=$(cpu_seconds "$pid"); w0=$(wakeups "$pid")
    sleep "$seconds"
    c1=$(cpu_seconds "$pid"); w1=$(wakeups "$pid")
    awk -v n="$name" -v s="$seconds" -v c="$(echo "$c1 - $c0" | bc -l)" -v w="$((w1 - w0))" \
        'BEGIN { printf "%-10s over %d s: CPU %.3f s, %d wake-ups (%.2f per second)\n", n, s, c, w, w / s }'
}

xrandr --output DUMMY0 --gamma 1:1:1 >/dev/null
before=$(gamma_line)
mkdir -p "$work/run"
start=$(date +%s.%N)
env XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run" TZ=UTC \
    "$program" --clock-start=21:00 2>"$work/vesperine.log" &
pid=$!
while [[ "$(gamma_line)" == "$before" ]]; do
    kill -0 "$pid" 2>/dev/null || { cat "$work/vesperine.log"; exit 1; }
    sleep 0.005
done
first=$(date +%s.%N)
printf 'vesperine  start-up to the first tinted ramp: %.0f ms\n' "$(echo "($first - $start) * 1000" | bc -l)"
sleep 3
printf 'vesperine  resident memory after start-up: %d KiB\n' "$(rss_kib "$pid")"
measure vesperine "$pid"
kill -TERM "$pid"; wait "$pid" || true
grep -o "Ran [0-9]* timer callbacks" "$work/vesperine.log" | sed 's/^/vesperine  /' || true

: >"$work/redshift.conf"
redshift -c "$work/redshift.conf" -m randr -l 52.52:13.40 -t 3400:3400 >/dev/null 2>&1 &
rpid=$!
sleep 3
printf 'redshift   resident memory after start-up: %d KiB\n' "$(rss_kib "$rpid")"
measure redshift "$rpid"
kill -TERM "$rpid"; wait "$rpid" || true
