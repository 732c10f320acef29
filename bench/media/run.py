#!/usr/bin/env python3
"""Video on the projector, measured under Xvfb (a laptop and a projector monitor) with the real
program driven by its automation and keys typed through XTest:

1. from the key to the slide with an autostart clip, the delay of the first video frame after the
   slide's own picture (the projector's column through the clip sampled every 2 ms);
2. frames dropped while a 1080p30 H.264 clip plays on the projector and the console at once
   (the program's own count, from its "state" line);
3. key-to-pixels of a slide change while a clip plays, as a ratio to the same change from a slide
   without one, measured in the same run.

    /work/shared/tools/netns-run python3 bench/media/run.py BUILD_DIR [REPEATS]

Needs a quiet machine: run it alone. Needs Xvfb, xdotool, xrandr, ffmpeg."""
import pathlib
import statistics
import subprocess
import sys
import tempfile
import threading
import time

SOURCE = pathlib.Path(__file__).resolve().parents[2]
sys.path[:0] = [str(SOURCE / "tests" / "e2e"), str(SOURCE / "tools")]

import orvl_e2e  # noqa: E402
import make_damaged_media  # noqa: E402
from test_projector import ColumnProbe  # noqa: E402

AREA = (0.25, 0.25, 0.5, 0.5)
# The projector's column through the middle of the clip's area.
PROBE_X = 1920 + 960


def changes_after(probe, start, count):
    """Milliseconds from `start` to each of the first `count` picture changes the probe saw."""
    times = [at for at, _ in probe.pictures if at > start][:count]
    return [(at - start) * 1000 for at in times]


class TimedProbe(ColumnProbe):
    """The column probe, keeping when each picture appeared."""

    def run(self):
        while self.running:
            picture = self.column()
            if not self.pictures or self.pictures[-1][1] != picture:
                self.pictures.append((time.monotonic(), picture))
            time.sleep(0.002)
        self.xlib.XCloseDisplay(self.connection)


def main(build, repeats):
    orvl_e2e.BINARY = str(pathlib.Path(build) / "talvane-orvello")
    with tempfile.TemporaryDirectory() as work, orvl_e2e.Xvfb() as xvfb:
        folder = pathlib.Path(work)
        make_damaged_media.make_clip(folder / "hd.mp4", seconds=20, size="1920x1080")
        deck = make_damaged_media.Deck()
        deck.page(shade=0.2)
        deck.page(deck.movie(AREA, name="hd.mp4", autostart=True, loop=True), shade=0.5)
        deck.page(shade=0.8)
        deck.page(shade=0.35)
        path = folder / "media.pdf"
        deck.write(path)
        steps = [f"open {path}", "present", "wait 1500", "state"]
        for _ in range(repeats):
            steps += ["wait 1500", "state", "wait 3000", "state", "wait 2500", "state", "wait 1500",
                      "state"]
        steps += ["quit"]
        first_frame, slide_with_clip, slide_without, dropped = [], [], [], []
        with orvl_e2e.Session(xvfb, steps, str(folder), stderr=subprocess.DEVNULL) as session:
            session.next_state()
            for _ in range(repeats):
                # 1: page 0 to the clip's page.
                session.next_state()
                probe = TimedProbe(xvfb.display, PROBE_X, 1080)
                sampler = threading.Thread(target=probe.run)
                sampler.start()
                # The probe's first sample is a picture of its own: it must come before the key.
                time.sleep(0.2)
                pressed = time.monotonic()
                session.type("Right")
                # 2: the clip plays for three seconds on both screens.
                playing = session.next_state()["media"][0]
                probe.running = False
                sampler.join()
                slide, video = changes_after(probe, pressed, 2)
                first_frame.append(video - slide)
                # 3: from the playing clip to a plain slide, then from a plain slide on.
                for timings in (slide_with_clip, slide_without):
                    probe = TimedProbe(xvfb.display, PROBE_X, 1080)
                    sampler = threading.Thread(target=probe.run)
                    sampler.start()
                    time.sleep(0.2)
                    pressed = time.monotonic()
                    session.type("Right")
                    state = session.next_state()
                    probe.running = False
                    sampler.join()
                    timings.append(changes_after(probe, pressed, 1)[0])
                    if timings is slide_with_clip:
                        shown = playing["framesShown"] + playing["framesDropped"]
                        dropped.append(100 * playing["framesDropped"] / max(1, shown))
                session.type("Home")
            session.finish()
    print("| measure | median | max | n |")
    print("|---|---|---|---|")
    print(f"| first video frame after the slide, ms | {statistics.median(first_frame):.0f} | "
          f"{max(first_frame):.0f} | {len(first_frame)} |")
    print(f"| frames dropped, 1080p30 on both screens, % | {statistics.median(dropped):.2f} | "
          f"{max(dropped):.2f} | {len(dropped)} |")
    ratio = statistics.median(slide_with_clip) / max(0.001, statistics.median(slide_without))
    print(f"| slide change with a clip playing / without, ratio | {ratio:.2f} | – | "
          f"{len(slide_with_clip)} |")
    print(f"| slide change with a clip playing, ms | {statistics.median(slide_with_clip):.0f} | "
          f"{max(slide_with_clip):.0f} | {len(slide_with_clip)} |")
    print(f"| slide change without, ms | {statistics.median(slide_without):.0f} | "
          f"{max(slide_without):.0f} | {len(slide_without)} |")


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 5)
