"""The presenter tools with real mouse events: the pointer, the spotlight and a pen stroke drawn
on the console appear on the projector at the same slide point; freezing keeps the projector's
picture; a zoom enlarges the slide; the drawings come back after a restart and move with their
slide when the deck is rebuilt; the export's ink annotations read back where they were drawn."""
import json
import os
import pathlib
import shutil
import subprocess
import tempfile
import unittest

from orvl_e2e import DisplayTestCase, Image, SAMPLE_DECK, Session

POLLING = ["state", "wait 150"] * 800


def root_grab(xvfb, path):
    subprocess.run(["import", "-window", "root", "-display", xvfb.display, str(path)], check=True)
    return Image(path)


def at(rect, u, v):
    return int(round(rect[0] + u * rect[2])), int(round(rect[1] + v * rect[3]))


def near(a, b, tolerance=40):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class Tools(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "xdotool", "import", "convert", "mutool", "qpdf")

    def mouse(self, session, *arguments):
        subprocess.run(["xdotool", *map(str, arguments)], env=session.environment, check=True)

    def quit(self, session):
        session.type("Escape")
        session.until(lambda state: not state["presenting"])
        session.type("ctrl+q")
        self.assertEqual(session.finish(), 0)

    def start(self, session):
        return session.until(lambda state: state["presenting"] and state["views"]["current"]
                             and state["views"]["audience"] and state["audience"]["visible"])

    def test_pointer_spotlight_pen_and_freeze_on_the_projector(self):
        with tempfile.TemporaryDirectory() as home:
            deck = pathlib.Path(home) / "talk.pdf"
            shutil.copy(SAMPLE_DECK, deck)
            with Session(self.xvfb, [f"open {deck}", "present", "wait 800", *POLLING], home) as session:
                views = self.start(session)["views"]
                current, audience = views["current"], views["audience"]
                self.assertGreaterEqual(audience[0], 1920, "the slide is on the projector")
                before = root_grab(self.xvfb, self.path("before.png"))

                session.type("l")
                session.until(lambda state: state["tool"] == "pointer")
                self.mouse(session, "mousemove", *at(current, 0.3, 0.4))
                self.mouse(session, "mousemove", *at(current, 0.31, 0.4))
                session.next_state()
                session.next_state()
                grab = root_grab(self.xvfb, self.path("pointer.png"))
                red = grab.pixel(*at(audience, 0.31, 0.4))
                self.assertTrue(red[0] > 200 and red[1] < 90 and red[2] < 90, f"no dot: {red}")
                # Nothing of the pointer far from it.
                self.assertEqual(grab.pixel(*at(audience, 0.7, 0.7)), before.pixel(*at(audience, 0.7, 0.7)))

                session.type("o")
                session.until(lambda state: state["tool"] == "spotlight")
                self.mouse(session, "mousemove", *at(current, 0.3, 0.4))
                session.next_state()
                session.next_state()
                grab = root_grab(self.xvfb, self.path("spotlight.png"))
                far = grab.pixel(*at(audience, 0.9, 0.9))
                lit = grab.pixel(*at(audience, 0.3, 0.4))
                self.assertLess(sum(far), sum(before.pixel(*at(audience, 0.9, 0.9))) * 0.5, "dimmed")
                self.assertEqual(lit, before.pixel(*at(audience, 0.3, 0.4)), "the circle stays lit")

                session.type("d")
                session.until(lambda state: state["tool"] == "pen")
                self.mouse(session, "mousemove", *at(current, 0.2, 0.6))
                self.mouse(session, "mousedown", "1")
                for step in range(1, 11):
                    self.mouse(session, "mousemove", *at(current, 0.2 + 0.05 * step, 0.6))
                self.mouse(session, "mouseup", "1")
                state = session.until(lambda state: len(state["drawings"]) == 1)
                stroke = state["drawings"][0]
                self.assertEqual(stroke["tool"], "pen")
                self.assertAlmostEqual(stroke["points"][0][0], 0.2, delta=0.01)
                self.assertAlmostEqual(stroke["points"][-1][0], 0.7, delta=0.01)
                self.assertAlmostEqual(stroke["points"][-1][1], 0.6, delta=0.01)
                grab = root_grab(self.xvfb, self.path("pen.png"))
                ink = grab.pixel(*at(audience, 0.45, 0.6))
                self.assertTrue(near(ink, (0xFF, 0x45, 0x3A)), f"no ink on the projector: {ink}")

                # Zoom: a rectangle dragged around the stroke fills the projector, the stroke
                # enlarged at the projector's centre.
                session.type("z")
                session.until(lambda state: state["tool"] == "zoom")
                self.mouse(session, "mousemove", *at(current, 0.35, 0.5))
                self.mouse(session, "mousedown", "1")
                self.mouse(session, "mousemove", *at(current, 0.45, 0.6))
                self.mouse(session, "mousemove", *at(current, 0.55, 0.7))
                self.mouse(session, "mouseup", "1")
                state = session.until(lambda state: state["zoom"] is not None)
                self.assertEqual(state["tool"], "pen", "the zoom hands the pen back")
                x, y, width, height = state["zoom"]
                self.assertAlmostEqual(x + width / 2, 0.45, delta=0.01)
                self.assertAlmostEqual(y + height / 2, 0.6, delta=0.01)
                self.assertLess(width, 0.5)
                for _ in range(6):
                    session.next_state()
                zoomed = root_grab(self.xvfb, self.path("zoom.png"))
                self.assertTrue(near(zoomed.pixel(*at(audience, 0.5, 0.5)), (0xFF, 0x45, 0x3A)),
                                "the stroke under the zoom's centre")
                session.type("z")
                session.until(lambda state: state["zoom"] is None)
                # Shift+Z: twice as large around the mouse at once, and back.
                self.mouse(session, "mousemove", *at(current, 0.45, 0.6))
                session.type("shift+z")
                x, y, width, height = session.until(lambda state: state["zoom"] is not None)["zoom"]
                self.assertAlmostEqual(x + width / 2, 0.45, delta=0.01)
                self.assertAlmostEqual(width, 0.5, delta=0.01)
                session.type("shift+z")
                session.until(lambda state: state["zoom"] is None)

                # Frozen: the console moves on, the projector keeps its picture.
                session.type("f")
                session.until(lambda state: state["frozen"])
                session.type("Right")
                state = session.until(lambda state: state["index"] == 1)
                self.assertTrue(state["frozen"])
                self.assertEqual(state["drawings"], [], "the next slide has no drawings")
                frozen = root_grab(self.xvfb, self.path("frozen.png"))
                self.assertTrue(near(frozen.pixel(*at(audience, 0.45, 0.6)), (0xFF, 0x45, 0x3A)))
                # Esc thaws before it does anything else.
                session.type("Escape")
                state = session.until(lambda state: not state["frozen"])
                self.assertTrue(state["presenting"])
                self.assertEqual(state["tool"], "pen")
                thawed = root_grab(self.xvfb, self.path("thawed.png"))
                self.assertFalse(near(thawed.pixel(*at(audience, 0.45, 0.6)), (0xFF, 0x45, 0x3A), 10))
                # A whiteboard after the slide: white on the projector, its own drawings.
                session.type("t")
                state = session.until(lambda state: state["board"] == 1)
                self.assertEqual(state["drawings"], [])
                for _ in range(4):
                    session.next_state()
                board = root_grab(self.xvfb, self.path("board.png"))
                self.assertEqual(board.pixel(*at(audience, 0.5, 0.5)), (255, 255, 255))
                session.type("t")
                state = session.until(lambda state: state["board"] == 0)
                # The slide's whiteboard is a page of the talk: next and previous step over it.
                slide = state["index"]
                session.type("Right")
                state = session.until(lambda state: state["board"] == 1)
                self.assertEqual(state["index"], slide)
                session.type("Right")
                session.until(lambda state: state["index"] == slide + 1 and state["board"] == 0)
                session.type("Left")
                state = session.until(lambda state: state["board"] == 1)
                self.assertEqual(state["index"], slide)
                session.type("Left")
                session.until(lambda state: state["index"] == slide and state["board"] == 0)
                # Cleared while empty, the whiteboard leaves the talk: next goes past the slide.
                session.type("t")
                session.until(lambda state: state["board"] == 1)
                session.type("x")
                session.until(lambda state: state["board"] == 0)
                session.type("Right")
                state = session.until(lambda state: state["index"] == slide + 1)
                self.assertEqual(state["board"], 0)
                session.type("Left")
                session.until(lambda state: state["index"] == slide)
                session.type("Escape")
                session.until(lambda state: state["tool"] is None and state["presenting"])
                drawings = deck.with_name("talk.orvello-drawings.json")
                self.assertTrue(drawings.exists(), "written after the stroke")
                self.quit(session)

            # After a restart the stroke is back on its slide, and the export writes it as an
            # ink annotation that MuPDF reads back where it was drawn.
            steps = [f"open {deck}", "present", "export-drawings", "wait 800", *POLLING]
            with Session(self.xvfb, steps, home) as session:
                state = session.until(lambda state: len(state.get("drawings", [])) == 1)
                self.assertEqual(state["index"], 0)
                self.assertAlmostEqual(state["drawings"][0]["points"][0][0], 0.2, delta=0.01)
                exported = deck.with_name("talk-mit-Zeichnungen.pdf")
                session.until(lambda state: exported.exists())
                self.assertEqual(deck.read_bytes(), SAMPLE_DECK.read_bytes(), "the deck itself is untouched")

                # The deck is rebuilt with a slide put first: the stroke moves with its slide.
                rebuilt = pathlib.Path(home) / "rebuilt.pdf"
                subprocess.run(["qpdf", "--empty", "--pages", str(SAMPLE_DECK), "2,1-z", "--", str(rebuilt)],
                               check=True)
                os.replace(rebuilt, deck)
                state = session.until(lambda state: state["pageCount"] == 13 and state["drawings"] == []
                                      and state["index"] == 0)
                session.type("Right")
                state = session.until(lambda state: state["index"] == 1 and len(state["drawings"]) == 1)
                self.assertAlmostEqual(state["drawings"][0]["points"][-1][0], 0.7, delta=0.01)
                self.quit(session)
            script = pathlib.Path(__file__).with_name("ink_annotations.js")
            annotations = json.loads(subprocess.run(["mutool", "run", str(script), str(exported)],
                                                    capture_output=True, text=True, check=True).stdout)
            self.assertEqual(len(annotations), 1)
            x0, y0, x1, y1 = annotations[0]["bounds"]
            line = annotations[0]["ink"][0]
            self.assertEqual(annotations[0]["page"], 0)
            self.assertAlmostEqual((line[0][0] - x0) / (x1 - x0), 0.2, delta=0.01)
            self.assertAlmostEqual((line[-1][0] - x0) / (x1 - x0), 0.7, delta=0.01)
            self.assertAlmostEqual((line[-1][1] - y0) / (y1 - y0), 0.6, delta=0.01)


if __name__ == "__main__":
    unittest.main()
