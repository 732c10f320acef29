#!/bin/sh
# Key-to-pixels latency of this program against dspdfviewer, in one interleaved run of the shared
# harness on the bundled sample deck and a heavy generated deck.
# Usage: bench/latency/run.sh RELEASE_BUILD_DIR [REPEATS]
# Needs (Debian): xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils xdotool x11-utils
# openbox libx11-dev libxext-dev libxtst-dev libxrandr-dev libxrender-dev dspdfviewer
set -eu
build=$(cd "$1" && pwd)
repeats=${2:-2}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
harness=/tmp/orvl-latency
rm -rf "$harness"
cp -r "$source_dir/../shared/tools/latency" "$harness"
make -C "$harness" xlat >/dev/null
mkdir -p "$harness/decks"
cp "$source_dir/resources/sample-deck.pdf" "$harness/decks/sample.pdf"
QT_QPA_PLATFORM=offscreen "$build/tools/sample-deck/orvl-sample-deck" --heavy "$harness/decks/heavy.pdf"
cd "$harness"
ORV="$build/talvane-orvello" ./interleave.sh --repeats "$repeats" --decks "sample heavy" \
    --progs "ours dspdfviewer"
./summarize.py --markdown results/*/
