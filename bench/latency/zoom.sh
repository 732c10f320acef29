#!/bin/sh
# Zoom: from the key that zooms to the part under the mouse (Shift+Z) to the enlarged picture on
# the projector and to the engine's sharp one, on the bundled sample deck, with the probe of the
# shared pointer harness.
# Usage: bench/latency/zoom.sh RELEASE_BUILD_DIR [ZOOMS]
# POINTER_HARNESS: the harness folder, when it is not ../shared/tools/latency-pointer beside the
# checkout. Needs (Debian): the same as bench/latency/pointer.sh.
set -eu
build=$(cd "$1" && pwd)
zooms=${2:-10}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
harness=/tmp/orvl-latency-zoom
rm -rf "$harness"
cp -r "${POINTER_HARNESS:-$source_dir/../shared/tools/latency-pointer}" "$harness"
make -C "$harness" xlat >/dev/null
cp "$source_dir/bench/latency/zoom.py" "$harness/"
printf 'wait 2500\nstate\nwait 600000\n' >"$harness/zoom-steps.txt"
cd "$harness"
./xenv.sh --server xorg --wm openbox --display 188 -- \
    python3 ./zoom.py --deck "$source_dir/resources/sample-deck.pdf" --out "$harness/results" \
    --zooms "$zooms" -- "$build/talvane-orvello" --present \
    --set "automationScript=$harness/zoom-steps.txt" {pdf}
