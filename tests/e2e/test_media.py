"""Video in the deck end to end: clips made here with a frame counter, named by a Movie annotation,
a Screen annotation with an embedded clip, and pdfpc's link convention, play in their rectangle on
the projector and on the console and nowhere else; addresses on the network and files outside the
deck's folder are refused on the status line; blanking stops them; damaged media never take the
program down."""
import importlib
import os
import pathlib
import sys
import tempfile
import unittest

from orvl_e2e import DisplayTestCase, Image, SOURCE_DIR, Session

# Hang detection, not a speed bound: a step is answered well within a second.
ANSWER_SECONDS = 20
# The clip's area on the page: the lower right quarter, which the console's current slide shows
# too.
AREA = (0.5, 0.5, 0.5, 0.5)


def load_generator():
    if str(SOURCE_DIR / "tools") not in sys.path:
        sys.path.append(str(SOURCE_DIR / "tools"))
    return importlib.import_module("make_damaged_media")


def changed_inside_only(first, second, box, margin=4):
    """Whether the two grabs differ inside `box` (pixels: x, y, width, height) and match outside."""
    x0, y0, width, height = box
    inside = outside = 0
    for y in range(0, first.height, 3):
        for x in range(0, first.width, 3):
            if first.pixel(x, y) == second.pixel(x, y):
                continue
            if x0 - margin <= x < x0 + width + margin and y0 - margin <= y < y0 + height + margin:
                inside += 1
            else:
                outside += 1
    return inside > 0 and outside == 0, (inside, outside)


def pixel_box(image, area=AREA):
    """The area of a page letter-boxed into a whole image of the projector."""
    scale = min(image.width / 640, image.height / 360)
    left = (image.width - 640 * scale) / 2
    top = (image.height - 360 * scale) / 2
    x, y, width, height = area
    return (int(left + x * 640 * scale), int(top + y * 360 * scale), int(width * 640 * scale),
            int(height * 360 * scale))


@unittest.skipUnless(__import__("shutil").which("ffmpeg"), "needs ffmpeg")
class Media(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "convert", "ffmpeg")

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        generator = load_generator()
        talk = pathlib.Path(cls.work.name) / "talk"
        talk.mkdir()
        cls.clip = generator.make_clip(talk / "clip.mp4")
        (pathlib.Path(cls.work.name) / "outside.mp4").write_bytes(cls.clip)
        deck = generator.Deck()
        deck.page()
        deck.page(deck.movie(AREA, name="clip.mp4", autostart=True, loop=True))
        deck.page(deck.screen(AREA, data=cls.clip, autostart=True))
        deck.page(deck.link(AREA, "run:clip.mp4?autostart&loop&start=1"))
        deck.page(deck.link((0.0, 0.0, 0.2, 0.2), "https://example.org/clip.mp4", launch=False))
        deck.page(deck.link((0.0, 0.0, 0.2, 0.2), "../outside.mp4"))
        # Not started by the page: the key starts it.
        deck.page(deck.movie(AREA, name="clip.mp4"))
        # Over the middle of the slide, where a click on the projector lands.
        deck.page(deck.movie((0.25, 0.25, 0.5, 0.5), name="clip.mp4"))
        # Sound alone: an embedded one-second WAV file behind a small icon.
        deck.page(deck.screen((0.0, 0.0, 0.05, 0.05), data=generator.tone_wav(), autostart=True,
                              mime="audio/wav"))
        # Coming back goes on where it was left.
        deck.page(deck.screen(AREA, name="clip.mp4", autostart=True, operation=4))
        cls.deck = talk / "talk.pdf"
        deck.write(cls.deck)

    def test_clips_play_in_their_area_in_every_form(self):
        steps = [f"open {self.deck}", "present"]
        for page in (1, 2, 3):
            steps += [f"goto {page}", "wait 2500", "state", f"grab audience {{home}}/a{page}-1.png",
                      f"grab presenter {{home}}/p{page}-1.png", "wait 700",
                      f"grab audience {{home}}/a{page}-2.png", f"grab presenter {{home}}/p{page}-2.png",
                      "state"]
        steps += ["goto 4", "wait 1500", "state", "goto 5", "wait 1500", "state",
                  "goto 6", "wait 2000", "state", "key m", "wait 1500", "state", "key m", "wait 300",
                  "state", "key m", "wait 6000", "state", "goto 1", "wait 6000", "state", "key b",
                  "wait 300", "state", "key b", "wait 1500", "state", "key f", "wait 300", "state", "key f",
                  "wait 1500", "state", "stop", "wait 300", "state",
                  "present", "goto 7", "wait 2000", "click audience left", "wait 1500", "state",
                  "key d", "wait 300", "click audience left", "wait 500",
                  "grab audience {home}/pen-over-clip.png", "state", "key d",
                  "goto 8", "wait 3000", "state", "goto 9", "wait 2500", "state", "goto 0",
                  "wait 500", "goto 9", "wait 1500", "state", "goto 0", "wait 300", "state", "quit"]
        with tempfile.TemporaryDirectory() as home:
            steps = [step.replace("{home}", home) for step in steps]
            with Session(self.xvfb, steps, home) as session:
                for page in (1, 2, 3):
                    before = session.next_state(ANSWER_SECONDS)
                    after = session.next_state(ANSWER_SECONDS)
                    self.assertEqual(before["index"], page)
                    media = after["media"]
                    self.assertEqual(len(media), 1, media)
                    clip = media[0]
                    self.assertEqual(clip["problem"], "", clip)
                    self.assertTrue(clip["playing"], clip)
                    self.assertEqual(clip["rect"], [0.5, 0.5, 0.5, 0.5])
                    self.assertGreater(clip["framesShown"], before["media"][0]["framesShown"])
                    self.assertGreater(clip["position"], 0)
                    self.assertEqual(clip["kind"], {1: "movie", 2: "screen", 3: "link"}[page])
                    self.assertEqual(clip["source"], "embedded" if page == 2 else "clip.mp4")
                    first = Image(pathlib.Path(home) / f"a{page}-1.png")
                    second = Image(pathlib.Path(home) / f"a{page}-2.png")
                    moving, counts = changed_inside_only(first, second, pixel_box(first))
                    self.assertTrue(moving, f"page {page}, projector: {counts}")
                    console_first = Image(pathlib.Path(home) / f"p{page}-1.png")
                    console_second = Image(pathlib.Path(home) / f"p{page}-2.png")
                    self.assertNotEqual(console_first.data, console_second.data, f"page {page}")
                # Refused, with the reason on the status line; the talk goes on.
                remote = session.next_state(ANSWER_SECONDS)
                self.assertIn("im Netz", remote["status"])
                self.assertFalse(remote["media"][0]["playing"])
                outside = session.next_state(ANSWER_SECONDS)
                self.assertIn("außerhalb", outside["status"])
                waiting = session.next_state(ANSWER_SECONDS)
                self.assertFalse(waiting["media"][0]["playing"])
                started = session.next_state(ANSWER_SECONDS)
                self.assertTrue(started["media"][0]["playing"], started["media"])
                paused = session.next_state(ANSWER_SECONDS)
                self.assertFalse(paused["media"][0]["playing"])
                # Played out once (four seconds), it stays on its last frame.
                ended = session.next_state(ANSWER_SECONDS)["media"][0]
                self.assertFalse(ended["playing"], ended)
                self.assertGreater(ended["position"], 3000)
                # A clip that loops is still playing after more than its length.
                looping = session.next_state(ANSWER_SECONDS)["media"][0]
                self.assertTrue(looping["playing"], looping)
                self.assertGreater(looping["framesShown"], 60)
                blanked = session.next_state(ANSWER_SECONDS)
                self.assertNotEqual(blanked["blank"], "none")
                self.assertFalse(blanked["media"][0]["playing"])
                self.assertTrue(session.next_state(ANSWER_SECONDS)["media"][0]["playing"])
                # A frozen projector keeps its picture: no video moves on it, no sound.
                frozen = session.next_state(ANSWER_SECONDS)
                self.assertTrue(frozen["frozen"])
                self.assertFalse(frozen["media"][0]["playing"])
                self.assertTrue(session.next_state(ANSWER_SECONDS)["media"][0]["playing"])
                stopped = session.next_state(ANSWER_SECONDS)
                self.assertFalse(stopped["presenting"])
                self.assertFalse(stopped["media"][0]["playing"])
                clicked = session.next_state(ANSWER_SECONDS)
                self.assertEqual(clicked["index"], 7)
                self.assertTrue(clicked["media"][0]["playing"], clicked["media"])
                # With the pen in hand a click on the clip draws, over the playing video.
                inked = session.next_state(ANSWER_SECONDS)
                self.assertTrue(inked["media"][0]["playing"], inked["media"])
                self.assertEqual(len(inked["drawings"]), 1, inked["drawings"])
                over = Image(pathlib.Path(home) / "pen-over-clip.png")
                red, green, blue = over.pixel(over.width // 2, over.height // 2)
                self.assertTrue(red > 200 and green < 120 and blue < 120, (red, green, blue))
                sound = session.next_state(ANSWER_SECONDS)["media"][0]
                self.assertEqual(sound["problem"], "", sound)
                self.assertEqual(sound["position"], 1000, sound)
                self.assertEqual(sound["framesShown"], 0)
                resumed_from = session.next_state(ANSWER_SECONDS)["media"][0]
                back = session.next_state(ANSWER_SECONDS)["media"][0]
                self.assertGreater(resumed_from["position"], 0)
                self.assertGreater(back["position"], resumed_from["position"], (resumed_from, back))
                left = session.next_state(ANSWER_SECONDS)
                self.assertEqual(left["media"], [])
                self.assertEqual(session.finish(), 0)

    def test_damaged_media_leave_the_talk_running(self):
        generator = load_generator()
        folder = pathlib.Path(self.work.name) / "damaged"
        folder.mkdir()
        deck = generator.Deck()
        cases = generator.damaged_cases(self.clip)
        for name, data in cases:
            (folder / name).write_bytes(data)
            deck.page(deck.movie(AREA, name=name, autostart=True))
            deck.page(deck.screen(AREA, data=data, autostart=True))
        # A file that never ends: a pipe nobody writes to.
        os.mkfifo(folder / "endless.mp4")
        deck.page(deck.movie(AREA, name="endless.mp4", autostart=True))
        path = folder / "damaged.pdf"
        deck.write(path)
        pages = 2 * len(cases) + 1
        steps = [f"open {path}", "present"]
        for page in range(pages):
            steps += [f"goto {page}", "wait 600", "key m", "wait 200", "key m", "state"]
        steps += ["goto 0", "state", "quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            unreadable = {"empty.mp4", "noise.mp4", "text-named-video.webm", "pdf-named-video.mkv"}
            for page in range(pages):
                state = session.next_state(ANSWER_SECONDS)
                self.assertEqual(state["index"], page)
                self.assertTrue(state["presenting"])
                self.assertEqual(len(state["media"]), 1)
                name = cases[page // 2][0] if page < 2 * len(cases) else "endless.mp4"
                if name in unreadable or name == "endless.mp4":
                    self.assertNotEqual(state["media"][0]["problem"], "", name)
                    self.assertNotEqual(state["status"], "", name)
            self.assertEqual(session.next_state(ANSWER_SECONDS)["index"], 0)
            self.assertEqual(session.finish(), 0)


if __name__ == "__main__":
    unittest.main()
