#!/usr/bin/env bash
# replay-check.sh <program>: the simulated replay replays the person's active schedule at
# their location when the stored schedule file has them (and says so), the default schedule
# at the time zone's city when nothing is stored, and writes no file either way.
set -euo pipefail
program=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" TZ=Europe/Oslo
run() { env -u DISPLAY -u WAYLAND_DISPLAY "$program" --simulated --replay-seconds=1; }
fail() { echo "FAIL: $*" >&2; echo "$output" >&2; exit 1; }

output=$(run)
first=$(head -n 1 <<<"$output")
[[ $first == *'the default schedule "Day & Night" (no schedules stored yet)'* ]] || fail "default not said"
[[ $first == *"Oslo, Norway, the time zone's city"* ]] || fail "the time zone's city not said"
[[ -z $(ls -A "$home") ]] || fail "files were written: $(ls -RA "$home")"

stored="$home/data/com.brevan.vesperine/schedules.json"
mkdir -p "$(dirname "$stored")"
cat >"$stored" <<'JSON'
{"custom":[{"id":"7A1B6A52-0001-4000-8000-0000000000AA","name":"Night owl","keyframes":[{"id":"7A1B6A52-1111-4000-8000-000000000001","time":{"clock":{"hour":7,"minute":0}},"mode":{"off":{}},"transitionMinutes":0},{"id":"7A1B6A52-1111-4000-8000-000000000002","time":{"clock":{"hour":22,"minute":0}},"mode":{"red":{"intensity":0.5}},"transitionMinutes":0}],"isBuiltIn":false}],"activeID":"7A1B6A52-0001-4000-8000-0000000000AA","location":{"name":"Tromsø","latitude":69.65,"longitude":18.96}}
JSON
before=$(sha256sum "$stored")
output=$(run)
first=$(head -n 1 <<<"$output")
[[ $first == *"your active schedule \"Night owl\" (from $stored)"* ]] || fail "the active schedule not replayed"
[[ $first == *"your location Tromsø"* ]] || fail "the stored location not used"
grep -q '^22:00  Red' <<<"$output" || fail "the schedule's step not shown"
[[ $(sha256sum "$stored") == "$before" && $(find "$home" -type f | wc -l) -eq 1 ]] || fail "a file was written"
echo "replay-check: 2 passed, 0 failed"
