"""How much a hostile timer server delays the program's main thread, against a well-behaved one.

The program runs a script of `wait 200` / `state` steps with the Ontime link on a server of
tests/support/hostile_server.py (loopback only); every state event should follow the one before
200 ms later, and whatever the main thread spends on the server's answers shows as the excess.
Prints one row per case: median, 95th percentile and largest excess, and the median as a ratio
to the well-behaved server measured in the same run.

Runs only in an isolated network namespace:
  /work/shared/tools/netns-run python3 bench/hostile/ui_delay.py BINARY [SECONDS]
"""
import pathlib
import statistics
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

from orvl_e2e import SAMPLE_DECK, Session, Xvfb  # noqa: E402
from test_hostile import HostileServer  # noqa: E402
from test_timers import isolated_network  # noqa: E402

STEP_MS = 200
CASES = [
    ("well-behaved server (reference)", ["--scenario", "ontime", "--poll", "good"]),
    ("endless chunked body", ["--scenario", "ontime", "--poll", "good,endless"]),
    ("HTTP 500 after good answers", ["--scenario", "ontime", "--poll", "good,good,500"]),
    ("garbage after good answers", ["--scenario", "ontime", "--poll", "good,good,garbage"]),
    ("20,000-char title, 400,000-char message", ["--scenario", "ontime", "--poll", "good", "--long"]),
    ("infinite numbers", ["--scenario", "ontime", "--poll", "good,infinite"]),
    ("gzip bomb", ["--scenario", "gzip"]),
    ("redirect loop", ["--scenario", "redirect"]),
]


def excess_delays(xvfb, binary, arguments, seconds):
    steps = [f"open {SAMPLE_DECK}", "wait 2000"] + ["state", f"wait {STEP_MS}"] * (seconds * 1000 // STEP_MS)
    with HostileServer(*arguments) as server, tempfile.TemporaryDirectory() as home:
        settings = {"ontimeEnabled": True, "ontimeHost": "127.0.0.1", "ontimePort": server.port}
        with Session(xvfb, steps + ["quit"], home, settings, binary=binary) as session:
            arrivals = []
            for _ in range(steps.count("state")):
                session.next_state()
                arrivals.append(time.monotonic())
            code = session.finish()
    if code != 0:
        raise RuntimeError(f"the program ended with {code}")
    return [max(0.0, (b - a) * 1000 - STEP_MS) for a, b in zip(arrivals, arrivals[1:])]


def main():
    if not isolated_network():
        sys.exit("run this in an isolated network namespace (/work/shared/tools/netns-run)")
    binary = sys.argv[1]
    seconds = int(sys.argv[2]) if len(sys.argv) > 2 else 30
    print(f"| case ({seconds} s, a step every {STEP_MS} ms) | median | p95 | max | median / reference |")
    print("|---|---|---|---|---|")
    reference = None
    with Xvfb() as xvfb:
        for name, arguments in CASES:
            delays = sorted(excess_delays(xvfb, binary, arguments, seconds))
            median = statistics.median(delays)
            p95 = delays[int(0.95 * (len(delays) - 1))]
            reference = reference or max(median, 0.01)
            print(f"| {name} | {median:.1f} ms | {p95:.1f} ms | {delays[-1]:.1f} ms | {median / reference:.2f} |",
                  flush=True)


if __name__ == "__main__":
    main()
