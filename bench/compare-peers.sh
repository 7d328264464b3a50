#!/usr/bin/env bash
# compare-peers.sh [SECONDS] PROGRAM...: the cost of each given build of Vesperine beside
# redshift and gammastep, in one run: every program alone on a dummy-driver X server of its
# own, all of them at the same time, case after case:
#   idle-1   tinted and idle, one lit output (Vesperine at 21:00, Warm; the peers at night)
#   idle-4   the same with four lit outputs
#   fade     the middle of the evening fade, one lit output: Vesperine at 18:48 (without a
#            location the default schedule fades from 18:30 to 19:00, and X11 shows the tint
#            in its second half); the peers at a longitude where the sun is now 1.5 degrees
#            below the horizon, half-way through their own dusk transition.
#   fade-4   the same with four lit outputs
# After 20 s of start-up, over SECONDS (120), per minute: client CPU (all threads) and X
# server CPU, both from the scheduler's account in /proc/PID/schedstat (nanoseconds, where
# the clock ticks of /proc/PID/stat would round a peer's few milliseconds to 0 or 10), and
# wake-ups (context switches, voluntary and not: each is a wake from a sleep; of the main
# thread, and of all threads).
#
# Then every program runs again, the same way, for the X requests (over at most 60 s: they
# do not vary with load). They are counted with xtrace (Debian package "xtrace"): each program
# reaches its server through an xtrace proxy, which writes one line "NNN:<:SEQ: ..." per
# request it forwards; the lines added within the window are the requests. The proxy changes
# neither the requests nor their number, but it passes replies on as they come, which adds
# wake-ups: so the costs come from the first run, without it.
# redshift and gammastep run with "-m randr", a manual location and 6500 K by day, 3400 K by
# night, as Vesperine's evening step. Run from the repository root after the builds.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=120
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then seconds=$1; shift; fi
(($# > 0)) || { echo "usage: $0 [SECONDS] PROGRAM..." >&2; exit 2; }
startup=20

if [[ "${VESPERINE_PEER_ONE:-}" == 1 ]]; then
    # One program on the server with-xorg.sh started: SECONDS CASE OUTPUTS PASS LABEL COMMAND...
    # PASS "cost": CPU and wake-ups; PASS "requests": the same run through an xtrace proxy.
    case_name=$1 outputs=$2 pass=$3 label=$4; shift 4
    work=$(mktemp -d)
    trap 'kill ${client:-} ${proxy:-} 2>/dev/null; rm -rf "$work"' EXIT
    mkdir -m 700 "$work/run"
    for ((i = 1; i < outputs; i++)); do
        xrandr --addmode "DUMMY$i" 1024x768 >/dev/null 2>&1
        xrandr --output "DUMMY$i" --mode 1024x768 --right-of "DUMMY$((i - 1))" >/dev/null 2>&1
    done
    display=$DISPLAY
    if [[ $pass == requests ]]; then
        display=":$((${DISPLAY#:} + 300))"
        xtrace -n -d "$DISPLAY" -D "$display" -m 0 -o "$work/trace" -k >/dev/null 2>&1 &
        proxy=$!
        for _ in $(seq 100); do [[ -S /tmp/.X11-unix/X${display#:} ]] && break; sleep 0.05; done
    fi
    : >"$work/empty.conf"
    start() {
        env DISPLAY="$display" HOME="$work" XDG_RUNTIME_DIR="$work/run" TZ=UTC \
            XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
            "${@//@CONF@/$work/empty.conf}" >/dev/null 2>"$work/log" &
        client=$!
    }
    start "$@"
    sleep 2
    kill -0 "$client" 2>/dev/null || start "$@"  # once more: a start that met the new outputs
    # CPU time from the scheduler's own account (ns, all threads), not from clock ticks.
    cpu() { cat "$@" 2>/dev/null | awk '{ n += $1 } END { printf "%.0f", n }'; }
    switches() { cat "$@" 2>/dev/null | awk '/ctxt_switches/ { n += $2 } END { print n + 0 }'; }
    requests() { grep -c ':<:' "$work/trace" 2>/dev/null || true; }
    sleep "$startup"
    kill -0 "$client" 2>/dev/null || { echo "$case_name $label: did not run: $(tail -n 2 "$work/log")"; exit 0; }
    c0=$(cpu /proc/"$client"/task/*/schedstat) x0=$(cpu "/proc/$VESPERINE_XORG_PID/schedstat")
    m0=$(switches "/proc/$client/status") a0=$(switches /proc/"$client"/task/*/status) r0=$(requests)
    sleep "$seconds"
    c1=$(cpu /proc/"$client"/task/*/schedstat) x1=$(cpu "/proc/$VESPERINE_XORG_PID/schedstat")
    m1=$(switches "/proc/$client/status") a1=$(switches /proc/"$client"/task/*/status) r1=$(requests)
    if [[ $pass == requests ]]; then
        awk -v l="$label" -v k="$case_name" -v s="$seconds" -v r="$((r1 - r0))" 'BEGIN {
            printf "%-7s %-40s X requests %7.1f\n", k, l, r * 60 / s }'
    else
        awk -v l="$label" -v k="$case_name" -v s="$seconds" -v c="$((c1 - c0))" -v x="$((x1 - x0))" \
            -v m="$((m1 - m0))" -v a="$((a1 - a0))" 'BEGIN { f = 60 / s
            printf "%-7s %-40s client CPU %7.2f ms  X server CPU %7.2f ms  wake-ups %6.1f (all threads %6.1f)\n",
                k, l, c / 1e6 * f, x / 1e6 * f, m * f, a * f }'
    fi
    exit 0
fi

for tool in redshift gammastep xtrace; do
    command -v "$tool" >/dev/null || { echo "install $tool (apt-get install $tool)" >&2; exit 1; }
done

# The longitude (on the equator) where the sun is now about 1.5 degrees below the horizon,
# setting: gammastep's own solar position, asked at every whole degree.
dusk=$(for lon in $(seq -179 180); do
    e=$(gammastep -l "0:$lon" -m dummy -p 2>&1 | awk '/Solar elevation/ { print $4 }')
    echo "$lon $e"
done | awk 'NR > 1 && $2 < prev { d = ($2 + 1.5) ^ 2; if (!seen || d < best) { best = d; lon = $1; seen = 1 } }
            { prev = $2 } END { print lon }')
night=$(((dusk + 225) % 360 - 180))  # three hours later: deep night
peer() {  # peer TOOL LONGITUDE
    echo "$1" -c @CONF@ -m randr -l "0:$2" -t 6500:3400
}

run_case() {  # run_case CASE OUTPUTS VESPERINE-CLOCK PEER-LONGITUDE
    local commands=() pass out window
    for program in "${programs[@]}"; do commands+=("$program --clock-start=$3"); done
    commands+=("$(peer redshift "$4")" "$(peer gammastep "$4")")
    for pass in cost requests; do
        local outputs=()
        window=$seconds
        [[ $pass == requests ]] && window=$((seconds < 60 ? seconds : 60))  # requests do not vary
        for command in "${commands[@]}"; do
            out=$(mktemp)
            outputs+=("$out")
            # shellcheck disable=SC2086
            VESPERINE_PEER_ONE=1 "$here/tests/X11/with-xorg.sh" "$0" "$window" "$1" "$2" "$pass" \
                "${command%% *}" $command >"$out" 2>/dev/null &
            sleep 1  # one server at a time claims a display number
        done
        wait
        cat "${outputs[@]}"
        rm -f "${outputs[@]}"
    done
}

programs=("$@")
echo "Per minute, after $startup s of start-up: cost over $seconds s, then X requests over" \
    "$((seconds < 60 ? seconds : 60)) s in a second run (dusk at longitude $dusk, night at $night):"
cases=${VESPERINE_CASES:-idle-1 idle-4 fade fade-4}  # a subset, for a quick look
[[ " $cases " == *" idle-1 "* ]] && run_case idle-1 1 21:00 "$night"
[[ " $cases " == *" idle-4 "* ]] && run_case idle-4 4 21:00 "$night"
[[ " $cases " == *" fade "* ]] && run_case fade 1 18:48 "$dusk"
[[ " $cases " == *" fade-4 "* ]] && run_case fade-4 4 18:48 "$dusk"
