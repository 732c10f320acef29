#!/bin/sh
# Scans a /24 made of veth pairs in private network namespaces, with fake Ontime servers and
# Stagetimer pages on it, and checks what the scan found, in which order, and where it sent requests.
#   usage: scan-namespace.sh ONTIME_SCAN FAKE_ONTIME      (exit 77: skipped)
scan=$1
fake=$2

if [ "$(id -u)" != 0 ]; then
    echo "SKIP: needs root for network namespaces"
    exit 77
fi
for tool in ip unshare mount python3; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: needs $tool"
        exit 77
    fi
done

# Everything below runs in a fresh network and mount namespace of its own, whatever the caller's.
if [ -z "$ORVL_SCAN_NAMESPACE" ]; then
    ORVL_SCAN_NAMESPACE=1 exec unshare --net --mount --propagation private sh "$0" "$@"
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

# The LAN: eth77 here (10.77.1.23/24), eth78 in the peer namespace with the servers' addresses.
ip netns add peer
ip link add eth77 type veth peer name eth78 netns peer
ip addr add 10.77.1.23/24 dev eth77
ip link set eth77 up
ip -n peer link set lo up
for address in 10.77.1.40 10.77.1.200 10.77.1.201; do
    ip -n peer addr add "$address/24" dev eth78
done
ip -n peer link set eth78 up

# Interfaces the scan must leave alone: container, tunnel and virtual links, and a link-local one.
ip link add docker0 type dummy && ip addr add 10.88.0.1/24 dev docker0 && ip link set docker0 up
ip link add veth9 type dummy && ip addr add 10.89.0.1/24 dev veth9 && ip link set veth9 up
ip link add tun0 type dummy && ip addr add 10.90.0.1/24 dev tun0 && ip link set tun0 up
ip link add eth79 type dummy && ip addr add 169.254.3.4/16 dev eth79 && ip link set eth79 up

start() {
    name=$1
    shift
    "$@" >"$work/$name.out" 2>&1 &
    pids="$pids $!"
    tries=0
    until grep -q '^listening' "$work/$name.out"; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ]; then
            echo "FAIL: $name did not start"; cat "$work/$name.out"; exit 1
        fi
        sleep 0.05
    done
}
start local "$fake" --host 127.0.0.1 --port 4001
start current ip netns exec peer "$fake" --host 10.77.1.40 --port 4001
start app ip netns exec peer "$fake" --host 10.77.1.200 --port 3000 --stagetimer v1
start oldapp ip netns exec peer "$fake" --host 10.77.1.201 --port 3000 --stagetimer v0
start legacy ip netns exec peer "$fake" --host 10.77.1.201 --port 4001 --generation 1 \
    --legacy-server-port 9999

"$scan" 4001 3000 >"$work/scan.json"

python3 - "$work/scan.json" <<'EOF'
import ipaddress, json, sys

result = json.load(open(sys.argv[1]))
failures = []

def expect(what, actual, expected):
    if actual != expected:
        failures.append(f"{what}: got {actual!r}, expected {expected!r}")

expect("interfaces", result["interfaces"], ["eth77 10.77.1.23/255.255.255.0"])
expect("servers", [(s["host"], s["port"], s["api"], s["version"]) for s in result["servers"]],
       [("10.77.1.40", 4001, "v3", "4.11.0"), ("10.77.1.201", 4001, "v1", "1.x"),
        ("127.0.0.1", 4001, "v3", "4.11.0")])
expect("apps", [(a["host"], a["port"], a["apiV1"]) for a in result["stagetimers"]],
       [("10.77.1.200", 3000, True), ("10.77.1.201", 3000, False)])
expect("report", result["info"],
       "eth77 10.77.1.23: 10.77.1.1 \u2013 10.77.1.254\n"
       "254 Adressen geprüft, 3 Ontime gefunden, 2 Stagetimer gefunden")
expect("progress", result["progress"], [[0, 254], [128, 254]])

lan = ipaddress.ip_network("10.77.1.0/24")
hosts = set()
for target in result["targets"]:
    host, port = target.rsplit(":", 1)
    hosts.add(host)
    address = ipaddress.ip_address(host)
    if not (address in lan or host == "127.0.0.1"):
        failures.append(f"request outside the scanned network: {target}")
    if port not in ("4001", "3000"):
        failures.append(f"request to an unexpected port: {target}")
expect("hosts probed", len(hosts), 254)
if "10.77.1.23" in hosts:
    failures.append("the scan probed its own interface address")

seconds = result["elapsedMs"] / 1000
print(f"scan of 254 addresses: {seconds:.1f} s, {result['requests']} requests")
if seconds > 30:
    failures.append(f"the scan took {seconds:.1f} s")
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
EOF
