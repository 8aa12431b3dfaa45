#!/bin/sh
# Two figures of the player on the desktop, for the notes:
#  1. start-up to the first presented frame: the player on a small title
#     (tests/titles/player, --frames 1) against a minimal program that only
#     opens an SDL window and presents once, alternating, 20 runs each, with
#     warm font caches; minima and medians in milliseconds and their ratio;
#  2. the frame loop's cost on a still screen: the processor time of the
#     player showing bench/startup/still for 20 seconds, in % of one core,
#     as the title is (it yields between frames) and with its yielding
#     turned off (the loop paces its frames all the same).
# Needs a display; without one it runs itself under xvfb-run.
#   bench/startup/measure.sh [BUILD_DIR]   (default build/release)
set -eu
build=${1:-build/release}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
player="$root/$build/nuvoplayer"
tool="$root/$build/nuvotool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 "$here/minimal_window.c" $(pkg-config --cflags --libs sdl2) -o "$work/minimal"
"$tool" title build "$root/tests/titles/player" "$work/title" >/dev/null
"$tool" title build "$here/still" "$work/still" >/dev/null
mkdir "$work/still-noyield-src"
cp "$here/still/"* "$work/still-noyield-src/"
sed -i 's/^yield 1$/yield 0/' "$work/still-noyield-src/nuvo.nps"
"$tool" title build "$work/still-noyield-src" "$work/still-noyield" >/dev/null

now_ms() { date +%s%N | awk '{ printf "%.3f", $1 / 1000000 }'; }
# Warm-up: font caches, the loader, the title's files.
"$player" --frames 1 --save-dir "$work/saves" "$work/title" >/dev/null 2>&1
"$work/minimal"
: > "$work/player.txt"
: > "$work/minimal.txt"
i=0
while [ $i -lt 20 ]; do
    t0=$(now_ms); "$player" --frames 1 --save-dir "$work/saves" "$work/title" >/dev/null 2>&1; t1=$(now_ms)
    echo "$t0 $t1" | awk '{ print $2 - $1 }' >> "$work/player.txt"
    t0=$(now_ms); "$work/minimal"; t1=$(now_ms)
    echo "$t0 $t1" | awk '{ print $2 - $1 }' >> "$work/minimal.txt"
    i=$((i + 1))
done
stats() { sort -n "$1" | awk '{ v[NR] = $1 } END { printf "min %.1f median %.1f", v[1], (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2 }'; }
pmin=$(sort -n "$work/player.txt" | head -1)
mmin=$(sort -n "$work/minimal.txt" | head -1)
echo "start-up to the first frame, 20 runs each (ms):"
echo "  player:         $(stats "$work/player.txt")"
echo "  minimal window: $(stats "$work/minimal.txt")"
echo "$pmin $mmin" | awk '{ printf "  ratio of minima: %.2f\n", $1 / $2 }'

# The still screen: processor time over 20 seconds of wall time.
seconds=20
ticks=$(getconf CLK_TCK)
for still in still still-noyield; do
    "$player" --save-dir "$work/saves" "$work/$still" >/dev/null 2>&1 &
    pid=$!
    sleep 2
    before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
    sleep $seconds
    after=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$still $before $after $ticks $seconds" |
        awk '{ printf "%s screen: %.2f%% of one core (%d ticks of 1/%d s in %d s)\n", $1, ($3 - $2) * 100 / ($4 * $5), $3 - $2, $4, $5 }'
done
