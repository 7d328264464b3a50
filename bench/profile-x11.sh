#!/usr/bin/env bash
# profile-x11.sh [SECONDS] [CLOCK] [OUTPUTS] [perf|callgrind|lines]: where the program's time
# goes, on a dummy-driver X server of its own: Vesperine at CLOCK (21:00: tinted idle; 18:48:
# the middle of the evening fade) with OUTPUTS lit outputs (1), profiled for SECONDS (60)
# after 20 s of start-up. "perf" (the default) samples the CPU clock, kernel included, which
# is where most of a wake-up's cost is; "callgrind" counts the program's own instructions,
# which load on the machine does not change; "lines" is callgrind with caches so small that
# hardly a line stays from one wake-up to the next: its last-level misses are the cache lines
# of code and data a wake-up touches again, which is what a wake-up after a sleep pays for
# (bench/cost-per-wake-up.md, sixth round). Prints the top items and the main thread's
# wake-ups; the profile stays in the current folder. Run from the repository root.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60} clock=${2:-21:00} outputs=${3:-1} tool=${4:-perf}
program="${VESPERINE_PROGRAM:-$here/build/src/App/vesperine}"
[[ -x "$program" ]] || { echo "build first: $program is missing" >&2; exit 1; }
if [[ -z "${VESPERINE_XORG_PID:-}" ]]; then
    exec "$here/tests/X11/with-xorg.sh" "$0" "$seconds" "$clock" "$outputs" "$tool"
fi
for ((i = 1; i < outputs; i++)); do
    xrandr --addmode "DUMMY$i" 1024x768 >/dev/null 2>&1
    xrandr --output "DUMMY$i" --mode 1024x768 --right-of "DUMMY$((i - 1))" >/dev/null 2>&1
done
work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -m 700 "$work/run"
wrap=()
out="$PWD/vesperine-$clock-$outputs.$tool"
[[ $tool == callgrind ]] && wrap=(valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out")
[[ $tool == lines ]] && wrap=(valgrind --tool=callgrind --instr-atstart=no --cache-sim=yes
    --I1=16384,4,64 --D1=16384,4,64 --LL=65536,8,64 --callgrind-out-file="$out")
env HOME="$work" XDG_RUNTIME_DIR="$work/run" TZ=UTC XDG_CONFIG_HOME="$work/config" \
    XDG_DATA_HOME="$work/data" "${wrap[@]}" "$program" --clock-start="$clock" >/dev/null 2>&1 &
pid=$!
sleep 20
switches() { awk '/ctxt_switches/ { n += $2 } END { print n + 0 }' "/proc/$pid/status"; }
w0=$(switches)
if [[ $tool == callgrind || $tool == lines ]]; then
    callgrind_control -i on "$pid" >/dev/null
    sleep "$seconds"
    callgrind_control -d "$pid" >/dev/null
    sleep 1
    show=()
    [[ $tool == lines ]] && show=(--show=Ir,ILmr,DLmr,DLmw --sort=ILmr)
    callgrind_annotate "${show[@]}" "$out".1 2>/dev/null | sed -n '/file:function/,$p' | head -25
else
    perf record -q -e cpu-clock -F 20000 -g -p "$pid" -o "$out" -- sleep "$seconds" >/dev/null 2>&1
    perf report -i "$out" --no-children --sort dso,sym --stdio -g none 2>/dev/null | grep '%' | head -25
fi
echo "main thread wake-ups over $seconds s: $(($(switches) - w0)) (the profiler's own included)"
