#!/usr/bin/env bash
# settings-window.sh [ROUNDS]: the settings window's cost in the real program on a private
# dummy X server: the time to make and show it (from the program's log), and the program's
# resident memory before it opens, while it is open and after Ctrl+W closed it (given the
# keyboard focus directly: there is no window manager). Tab switches are timed by
# bench_SettingsWindow.
# Run from the repository after a build; prints one line per measurement.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
exec "$here/tests/X11/with-xorg.sh" bash -c '
set -euo pipefail
program="'"$here"'/build/src/App/vesperine"
rounds='"${1:-5}"'
home=$(mktemp -d)
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
VESPERINE_LOG_STDERR=1 "$program" 2>"$home/log" &
pid=$!
trap "kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf $home" EXIT
rss() { awk "/^VmRSS/ {r=\$2} /^RssAnon/ {a=\$2} END {print r \" kB (anonymous \" a}" /proc/$pid/status; }
sleep 3
echo "rss before: $(rss) kB)"
for round in $(seq "$rounds"); do
    "$program" >/dev/null 2>&1  # a second launch: the running one opens (or raises) the window
    sleep 1.5
    echo "round $round: rss open: $(rss) kB)"
    xdotool search --sync --onlyvisible --name " Settings$" windowfocus --sync && xdotool key ctrl+w
    sleep 1.5
    echo "round $round: rss closed: $(rss) kB)"
done
grep -o "Opened the settings window in [0-9.]* ms" "$home/log" || true
'
