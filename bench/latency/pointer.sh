#!/bin/sh
# Pointer latency: XTest motion on the console's current slide to the dot on the projector, this
# program against pdfpc's pointer and the harness's ideal pointer (its floor), interleaved in one
# run of the shared pointer harness on the bundled sample deck.
# Usage: bench/latency/pointer.sh RELEASE_BUILD_DIR [REPEATS]
# POINTER_HARNESS: the harness folder, when it is not ../shared/tools/latency-pointer beside the
# checkout. Needs (Debian): xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils xdotool
# openbox libx11-dev libxext-dev libxtst-dev libxrandr-dev pdf-presenter-console
set -eu
build=$(cd "$1" && pwd)
repeats=${2:-3}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
harness=/tmp/orvl-latency-pointer
rm -rf "$harness"
cp -r "${POINTER_HARNESS:-$source_dir/../shared/tools/latency-pointer}" "$harness"
make -C "$harness" xlat >/dev/null
deck="$source_dir/resources/sample-deck.pdf"
# The program presents at once and prints its "views" once the slide is up; L takes the pointer.
script="$harness/pointer-steps.txt"
printf 'wait 2500\nstate\nwait 600000\n' >"$script"
cd "$harness"
run=1
while [ "$run" -le "$repeats" ]; do
    for prog in ours pdfpc floor; do
        out="$harness/results/$prog-$run"
        case $prog in
        ours) ./xenv.sh --server xorg --wm openbox --display 187 -- \
                  python3 ./pointer.py --deck "$deck" --out "$out" --views-from-log --enable l -- \
                  "$build/talvane-orvello" --present --set "automationScript=$script" {pdf} ;;
        pdfpc) ./xenv.sh --server xorg --wm openbox --display 187 -- \
                   python3 ./pointer.py --deck "$deck" --out "$out" --enable 2 -- pdfpc ;;
        floor) ./xenv.sh --server xorg --wm openbox --display 187 -- \
                   python3 ./pointer.py --deck "$deck" --out "$out" --no-deck-arg -- ./xlat nullpointer ;;
        esac
    done
    run=$((run + 1))
done
# Median and 95th percentile of first_ms per program, and above the floor.
python3 - "$harness/results" <<'PY'
import json, pathlib, statistics, sys
firsts = {}
for result in sorted(pathlib.Path(sys.argv[1]).glob("*/result.json")):
    prog = result.parent.name.rsplit("-", 1)[0]
    moves = json.loads(result.read_text()).get("motions", [])
    firsts.setdefault(prog, []).extend(m["first_ms"] for m in moves if m.get("first_ms") is not None)
floor = statistics.median(firsts["floor"]) if firsts.get("floor") else 0
print("| program | moves | median ms | p95 ms | median above floor |")
print("|---|---|---|---|---|")
for prog, values in firsts.items():
    values.sort()
    p95 = values[min(len(values) - 1, int(0.95 * len(values)))]
    median = statistics.median(values)
    print(f"| {prog} | {len(values)} | {median:.1f} | {p95:.1f} | {median - floor:.1f} |")
PY
