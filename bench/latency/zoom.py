"""Zoom: the key that zooms to the part under the mouse, to the projector's pixels. The probe
watches the whole projector from the key: the first changed picture is the enlarged one (the
slide's picture scaled), the last one the engine's sharp picture at the projector's pixels.
Run inside the pointer harness's xenv.sh, from its folder (it uses the harness's probe):
  python3 zoom.py --deck DECK --out DIR [--zooms N] -- PROGRAM ARGS {pdf}"""
import argparse
import json
import os
import shutil
import signal
import statistics
import sys
import time

sys.path.insert(0, os.getcwd())
from pointer import Xlat, descendants, monitor_rects, proc_windows, views_from_log  # noqa: E402


def main(argv):
    p = argparse.ArgumentParser()
    p.add_argument("--deck", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("--zooms", type=int, default=10)
    p.add_argument("cmd", nargs=argparse.REMAINDER)
    a = p.parse_args(argv)
    cmd = a.cmd[1:] if a.cmd[:1] == ["--"] else a.cmd
    os.makedirs(a.out, exist_ok=True)
    deck = os.path.join(a.out, os.path.basename(a.deck))
    shutil.copyfile(a.deck, deck)
    home = os.path.join(a.out, "home")
    os.makedirs(home, exist_ok=True)
    os.environ.update(HOME=home, XDG_CONFIG_HOME=home + "/.config", XDG_CACHE_HOME=home + "/.cache")
    cmd = [c.replace("{pdf}", deck) for c in cmd]
    res = {"zooms": [], "errors": []}
    x = Xlat("BEAMER", open(os.path.join(a.out, "xlat.jsonl"), "w"))
    beamer = monitor_rects()["BEAMER"]
    plog = os.path.join(a.out, "program.log")
    pid = None
    try:
        # A sharp picture may follow the scaled one by more than the usual 50 ms of quiet.
        for k, v in (("settle_ms", 400), ("post_ms", 100), ("timeout_ms", 20000)):
            x.cmd("set", k, v, until=("set",))
        ev = x.cmd("launch", plog, *cmd, until=("startup",))
        pid = next(e for e in ev if e["ev"] == "launched")["pid"]
        time.sleep(3)
        views = views_from_log(plog)
        if not views or not isinstance(views.get("current"), list):
            res["errors"].append('no "views" in the program\'s state lines')
            return res
        cur = views["current"]
        # The keys go to the console, the largest window off the projector.
        wins = [w for w in proc_windows(descendants(pid)) if w["x"] < beamer[0]]
        if wins:
            x.cmd("focus", max(wins, key=lambda w: w["w"] * w["h"])["id"], until=("focus",))
        x.cmd("region", *beamer, 4, until=("region",))
        x.cmd("set", "timeout_ms", 3000, until=("set",))
        for i in range(a.zooms + 1):
            # A new place each time, so that no zoom finds its sharp picture drawn already.
            u, v = 0.25 + 0.5 * ((i * 0.37) % 1), 0.3 + 0.4 * ((i * 0.61) % 1)
            x.cmd("move", int(cur[0] + u * cur[2]), int(cur[1] + v * cur[3]), until=("move",))
            time.sleep(0.3)
            zoom = x.cmd("key", "shift+z", until=("key",))[-1]
            if i > 0:  # the first zoom warms the engine up
                res["zooms"].append({k: zoom.get(k) for k in ("first_ms", "settled_ms", "final_ms",
                                                              "nstates", "timed_out")})
            time.sleep(0.5)
            x.cmd("key", "shift+z", until=("key",))
            time.sleep(0.5)
        return res
    except Exception as e:  # the result file says what went wrong
        res["errors"].append("%s: %s" % (type(e).__name__, e))
        return res
    finally:
        if pid:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        x.close()
        firsts = [z["first_ms"] for z in res["zooms"] if z.get("first_ms", -1) >= 0]
        finals = [z["final_ms"] for z in res["zooms"] if z.get("final_ms", -1) >= 0]
        if firsts:
            res["median_first_ms"] = statistics.median(firsts)
            res["median_sharp_ms"] = statistics.median(finals)
            res["max_sharp_ms"] = max(finals)
        with open(os.path.join(a.out, "result.json"), "w") as f:
            json.dump(res, f, indent=1)
        print(json.dumps({k: v for k, v in res.items() if k != "zooms"}))


if __name__ == "__main__":
    sys.exit(1 if main(sys.argv[1:]).get("errors") else 0)
