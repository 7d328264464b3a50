#!/usr/bin/env bash
# tray.sh [ROUNDS] [PROGRAM]: the tray icon's cost in the real program on a private dummy X
# server with an XEmbed tray (trayer): the time from launch to the icon docked, resident
# memory with the icon alone and with the panel made, and the panel's open time (the
# program's own figure, from the activation to the first paint; the first one makes it).
# Run from the repository after a build; prints one line per measurement.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
exec "$here/tests/X11/with-xorg.sh" bash -c '
set -euo pipefail
program="'"${2:-$here/build/src/App/vesperine}"'"
rounds='"${1:-5}"'
home=$(mktemp -d)
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/run
export DBUS_SESSION_BUS_ADDRESS=unix:path=$home/no-bus TZ=UTC
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
trayer --edge top --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 &
tray=$!
trap "kill \$pid \$tray 2>/dev/null; wait 2>/dev/null; rm -rf $home" EXIT
until xwininfo -root -tree | grep "\"panel\": (\"panel\" \"trayer\")" >/dev/null; do sleep 0.05; done
docked() { xwininfo -root -tree | grep -A8 "\"panel\": (\"panel\" \"trayer\")" | grep vesperine >/dev/null; }
now() { date +%s%N; }
start=$(now)
VESPERINE_LOG_STDERR=1 "$program" --clock-start=21:00 2>"$home/log" &
pid=$!
until docked; do sleep 0.01; done
echo "icon docked after launch: $(( ($(now) - start) / 1000000 )) ms (polled every 10 ms)"
rss() { awk "/^VmRSS/ {print \$2}" /proc/$pid/status; }
sleep 3
echo "rss with the icon: $(rss) kB"
geometry=$(xwininfo -root -tree | grep -A8 "\"panel\": (\"panel\" \"trayer\")" | grep vesperine | grep -o "+[0-9]*+[0-9]*\$")
x=$(echo "$geometry" | cut -d+ -f2); y=$(echo "$geometry" | cut -d+ -f3)
for round in $(seq "$rounds"); do
    xdotool mousemove $((x + 11)) $((y + 11)) click 1
    sleep 1
    echo "round $round: rss with the panel open: $(rss) kB"
    xdotool key Escape
    sleep 0.5
done
echo "rss with the panel closed: $(rss) kB"
grep -o "Opened the panel in [0-9.]* ms" "$home/log" || true
'
