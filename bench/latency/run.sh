#!/bin/sh
# Key-to-pixels latency of this program against dspdfviewer, in one interleaved run of the shared
# harness on the bundled sample deck, a heavy generated deck and a 19-page deck (the sample deck
# and its first seven pages again, longer than a small cache); "dissolve" (not run by default) is
# the sample deck with every page dissolving in. "ours" starts in the console and
# presents with F5; "ours-window" the same with the audience in a window of its own (as with one
# screen, shared in a video call) laid over the projector monitor; "ours-auto" starts presenting at
# once (--present), for the time to the first projector picture; "ours-osc" and "ours-http" are
# "ours" with each key turned into the remote control's command by a forwarder that holds the
# keyboard (command-forwarder.c), so they time a control desk's command to the projector.
# Usage: bench/latency/run.sh RELEASE_BUILD_DIR [REPEATS] [DECKS]
# LATENCY_HARNESS: the harness folder, when it is not ../shared/tools/latency beside the checkout.
# LATENCY_PROGRAMS: the profiles to interleave (default "ours dspdfviewer ours-auto").
# Needs (Debian): xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils xdotool x11-utils
# openbox libx11-dev libxext-dev libxtst-dev libxrandr-dev libxrender-dev liblo-dev dspdfviewer
set -eu
build=$(cd "$1" && pwd)
repeats=${2:-2}
decks=${3:-sample heavy deck19}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
harness=/tmp/orvl-latency
rm -rf "$harness"
cp -r "${LATENCY_HARNESS:-$source_dir/../shared/tools/latency}" "$harness"
make -C "$harness" xlat >/dev/null
# The harness's auto-start profile drives a presenter through a script file; this program has a
# command-line switch for it.
sed -i 's|-- "\$ORV" --set "automationScript=\$HERE/present.txt"|-- "$ORV" --present|' \
    "$harness/interleave.sh"
grep -q -- '-- "$ORV" --present' "$harness/interleave.sh"
# The window of its own, where the harness samples the projector monitor (BEAMER, right of LAPTOP).
printf '#!/bin/sh\nexec "%s" --set outputScreen=\\"__window__\\" --set "audienceWindowFrame=[2080,90,1600,900]" "$@"\n' \
    "$build/talvane-orvello" >"$harness/orvello-window"
chmod +x "$harness/orvello-window"
sed -i '/^    ours-auto) /i\    ours-window) run1 ours-window $d $r --name ours-window --startup-timeout 6 --after-start F5 -- "$HERE/orvello-window";;' \
    "$harness/interleave.sh"
grep -q 'ours-window) run1' "$harness/interleave.sh"
cc -O2 -o "$harness/command-forwarder" "$source_dir/bench/latency/command-forwarder.c" -lX11 -llo
printf 'wait 1000\nstate\nwait 600000\n' >"$harness/print-state.txt"
for kind in osc http; do
    printf '#!/bin/sh\nexec "%s" %s "%s" "%s" "%s" "$@"\n' "$source_dir/bench/latency/orvello-command.sh" \
        "$kind" "$build/talvane-orvello" "$harness/command-forwarder" "$harness/print-state.txt" \
        >"$harness/orvello-$kind"
    chmod +x "$harness/orvello-$kind"
    sed -i "/^    ours-auto) /i\\    ours-$kind) run1 ours-$kind \$d \$r --name ours-$kind --no-focus --startup-timeout 6 --after-start F5 -- \"\$HERE/orvello-$kind\";;" \
        "$harness/interleave.sh"
    grep -q "ours-$kind) run1" "$harness/interleave.sh"
done
mkdir -p "$harness/decks"
cp "$source_dir/resources/sample-deck.pdf" "$harness/decks/sample.pdf"
QT_QPA_PLATFORM=offscreen "$build/tools/sample-deck/orvl-sample-deck" --heavy "$harness/decks/heavy.pdf"
qpdf --empty --pages "$harness/decks/sample.pdf" 1-12 "$harness/decks/sample.pdf" 1-7 -- \
    "$harness/decks/deck19.pdf"
# The sample deck again, each page dissolving in (a sidecar's default transition, which only this
# program reads): the first changed picture of a transition against a cut's.
cp "$harness/decks/sample.pdf" "$harness/decks/dissolve.pdf"
printf '{"pdfpcFormat": 2, "defaultTransition": "dissolve:1"}\n' >"$harness/decks/dissolve.pdfpc"
cd "$harness"
ORV="$build/talvane-orvello" ./interleave.sh --repeats "$repeats" --decks "$decks" \
    --progs "${LATENCY_PROGRAMS:-ours dspdfviewer ours-auto}"
./summarize.py --markdown results/*/
