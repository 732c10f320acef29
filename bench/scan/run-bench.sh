#!/bin/sh
# Measures the network scan on a namespaced /24 where nothing answers (silent) and where every
# address refuses, and the CPU time of polling the fake Ontime server. Needs root; everything
# runs in private namespaces.
#   usage: run-bench.sh BUILD_DIR [POLL_SECONDS]
build=${1:?usage: run-bench.sh BUILD_DIR [POLL_SECONDS]}
seconds=${2:-60}
scan=$build/bench/scan/ontime-scan
poll=$build/bench/scan/ontime-poll-cpu
fake=$build/tools/fake-ontime/fake-ontime

if [ -z "$ORVL_BENCH_NAMESPACE" ]; then
    ORVL_BENCH_NAMESPACE=1 exec unshare --net --mount --propagation private sh "$0" "$@"
fi

set -e
work=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p /run/netns
mount -t tmpfs tmpfs /run/netns
ip link set lo up
ip netns add peer
ip link add eth77 type veth peer name eth78 netns peer
ip -n peer link set lo up
ip -n peer link set eth78 up
ip link set eth77 up

elapsed() {
    python3 -c 'import json, sys
r = json.load(open(sys.argv[1]))
print("%.2f s, %d requests" % (r["elapsedMs"] / 1000, r["requests"]))' "$1"
}

# Silent: the peer holds no address of 10.77.1.0/24, so nothing answers (not even ARP).
ip addr add 10.77.1.23/24 dev eth77
"$scan" 4001 3000 >"$work/silent.json"
echo "silent /24 (254 addresses):  $(elapsed "$work/silent.json")"
ip addr del 10.77.1.23/24 dev eth77

# Refused: the peer holds every other address of 10.77.2.0/24 and listens on none of them.
ip addr add 10.77.2.23/24 dev eth77
: >"$work/addresses"
for last in $(seq 1 254); do
    [ "$last" = 23 ] || echo "addr add 10.77.2.$last/24 dev eth78" >>"$work/addresses"
done
ip -n peer -batch "$work/addresses"
"$scan" 4001 3000 >"$work/refused.json"
echo "refused /24 (254 addresses): $(elapsed "$work/refused.json")"

# Polling: CPU time of this process while it polls the fake server on loopback.
"$fake" --host 127.0.0.1 --port 4001 >"$work/fake.out" 2>&1 &
pids="$pids $!"
until grep -q '^listening' "$work/fake.out"; do sleep 0.05; done
python3 -c 'import urllib.request; urllib.request.urlopen("http://127.0.0.1:4001/control?playback=play&current=3600000&title=Bench&message=Hi").read()'
"$poll" 127.0.0.1 4001 "$seconds"
