#!/usr/bin/env python3
"""Transitions on the projector, against a cut measured in the same run: the first changed
projector picture after a key (transitions on and off), the pictures shown a second during a
one-second dissolve, and a key pressed halfway through a transition (time to the final page).

The projector's middle pixel column is read from the X server every 2 ms in one request, so a
picture is never half of one frame and half of the next; each distinct column is one picture.

Usage: bench/transitions/measure.py BUILD_DIR [REPEATS]   (under /work/shared/tools/netns-run,
on a quiet machine; needs Xvfb, xrandr, xdotool and the e2e harness beside it)."""
import pathlib
import statistics
import sys
import tempfile
import threading
import time

SOURCE = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(SOURCE / "tests" / "e2e"))

from orvl_e2e import Session, Xvfb  # noqa: E402
from test_navigation import write_pdf  # noqa: E402
from test_projector import ColumnProbe  # noqa: E402

BEAMER_X = 1920 + 960


class TimedProbe(ColumnProbe):
    """Keeps each distinct picture with the time it was first seen."""

    def run(self):
        self.times = []
        while self.running:
            picture = self.column()
            if not self.pictures or self.pictures[-1] != picture:
                self.pictures.append(picture)
                self.times.append(time.monotonic())
            time.sleep(0.002)
        self.xlib.XCloseDisplay(self.connection)


def probe_around(xvfb, session, keys, seconds):
    """Presses the keys (with the pauses given as numbers) and samples the projector meanwhile;
    returns the key's time and the pictures' times."""
    probe = TimedProbe(xvfb.display, BEAMER_X, 1080)
    sampler = threading.Thread(target=probe.run)
    sampler.start()
    time.sleep(0.2)
    pressed = time.monotonic()
    for key in keys:
        if isinstance(key, (int, float)):
            time.sleep(key)
        else:
            session.type(key)
    time.sleep(seconds)
    probe.running = False
    sampler.join()
    return pressed, probe.times, probe.pictures


def run(binary, transitions, repeats):
    deck = pathlib.Path(tempfile.mkdtemp()) / "dissolve.pdf"
    # Three moves forward a repeat, and a page to spare.
    pages = 3 * repeats + 2
    write_pdf(deck, [(b"%g 0.3 0.6" % (i / pages), b"/Trans << /S /Dissolve /D 1 >>", [])
                     for i in range(pages)])
    first, rates, interrupted = [], [], []
    steps = [f"open {deck}", "present", "wait 600000"]
    with Xvfb() as xvfb, tempfile.TemporaryDirectory() as home, \
            Session(xvfb, steps, home, settings={"transitions": transitions}, binary=binary) as session:
        time.sleep(3)
        for _ in range(repeats):
            pressed, times, _ = probe_around(xvfb, session, ["Right"], 1.5)
            changes = [t for t in times if t > pressed]
            if changes:
                first.append((changes[0] - pressed) * 1000)
            if transitions and len(changes) > 1:
                rates.append((len(changes) - 1) / (changes[-1] - changes[0]))
            # A second key halfway through: the time until the last picture (the final page).
            pressed, times, _ = probe_around(xvfb, session, ["Right", 0.5, "Right"], 1.5)
            second = pressed + 0.5
            interrupted.append((times[-1] - second) * 1000 if times[-1] > second else 0)
        session.process.kill()
    return first, rates, interrupted


def main():
    build = pathlib.Path(sys.argv[1]).resolve()
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    binary = str(build / "talvane-orvello")
    for transitions in (False, True):
        first, rates, interrupted = run(binary, transitions, repeats)
        name = "dissolve" if transitions else "cut (reference)"
        print(f"{name}: first changed picture median {statistics.median(first):.1f} ms "
              f"(n={len(first)}); key halfway through: final page after "
              f"{statistics.median(interrupted):.1f} ms")
        if rates:
            print(f"  pictures a second during the dissolve: median {statistics.median(rates):.1f}")


if __name__ == "__main__":
    main()
