"""The presenter console on two monitors: keys typed on the real keyboard path reach the presenter
window while the audience window is in front, blanking shows on the second monitor, Esc ends."""
import subprocess
import tempfile
import unittest

from orvl_e2e import DisplayTestCase, Image, SAMPLE_DECK, Session, run_steps


def root_grab(xvfb, path):
    subprocess.run(["import", "-window", "root", "-display", xvfb.display, str(path)], check=True)
    return Image(path)


def colours_in(image, x0, x1, step=97):
    return {image.pixel(x, y) for x in range(x0, x1, step) for y in range(0, image.height, step)}


# A state every 150 ms for two minutes: the test waits for the state its keys lead to, however
# long a loaded machine takes, and ends the program with Ctrl+Q.
POLLING = ["state", "wait 150"] * 800


class Console(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "xdotool", "import", "convert")

    def test_keys_reach_the_presenter_while_the_audience_window_is_in_front(self):
        with tempfile.TemporaryDirectory() as home, \
                Session(self.xvfb, [f"open {SAMPLE_DECK}", "present", "wait 800", *POLLING], home) as session:
            started = session.next_state()
            self.assertTrue(started["presenting"])
            audience = started["audience"]
            self.assertTrue(audience["visible"])
            self.assertFalse(audience["windowed"])
            self.assertEqual((audience["x"], audience["y"], audience["width"], audience["height"]),
                             (1920, 0, 1920, 1080))
            self.assertEqual(started["timerColor"], "#ffffff", "the talk timer starts with the talk")
            self.assertEqual(started["pauseButton"], "Timer anhalten")

            session.type("Right", "Next", "space")
            state = session.until(lambda state: state["index"] == 3)
            self.assertEqual(state["currentLabel"], "Aktuelle Folie  4 / 12")

            session.type("Prior", "BackSpace")
            session.until(lambda state: state["index"] == 1)

            session.type("b")
            state = session.until(lambda state: state["blank"] == "black")
            self.assertEqual(state["status"], "● Publikum sieht SCHWARZBILD")
            self.assertEqual(state["blackButton"], "Bild wieder zeigen (B)")
            black = root_grab(self.xvfb, self.path("black.png"))
            self.assertEqual(colours_in(black, 1920, 3840), {(0, 0, 0)})
            self.assertNotEqual(colours_in(black, 0, 1920), {(0, 0, 0)}, "the presenter stays visible")

            session.type("comma")
            session.until(lambda state: state["blank"] == "white")
            white = root_grab(self.xvfb, self.path("white.png"))
            self.assertEqual(colours_in(white, 1920, 3840), {(255, 255, 255)})

            session.type("1", "2")
            state = session.until(lambda state: state["jumpBuffer"] == "12")
            self.assertEqual(state["status"], "Springe zu Folie 12 … (⏎)")
            self.assertEqual(state["blank"], "white", "typing a number leaves the blanking")

            session.type("KP_Enter")
            state = session.until(lambda state: state["index"] == 11)
            self.assertEqual(state["blank"], "none")

            session.type("period")
            session.until(lambda state: state["blank"] == "black")
            session.type("Escape")
            state = session.until(lambda state: state["blank"] == "none")
            self.assertTrue(state["presenting"], "Esc first ends the blanking")

            session.type("Escape")
            state = session.until(lambda state: not state["presenting"])
            self.assertFalse(state["audience"]["visible"])
            self.assertEqual(state["startButton"], "Präsentation starten (F5)")
            session.type("ctrl+q")
            self.assertEqual(session.finish(), 0)

    def test_remote_start_keys(self):
        steps = [f"open {SAMPLE_DECK}", "goto 4", "wait 800", *POLLING]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            self.assertFalse(session.next_state()["presenting"])
            session.type("shift+F5")
            state = session.until(lambda state: state["presenting"])
            self.assertEqual(state["index"], 4, "Shift+F5 starts at the current slide")
            session.type("F5")
            session.until(lambda state: not state["presenting"])
            session.type("F5")
            state = session.until(lambda state: state["presenting"])
            self.assertEqual(state["index"], 0, "F5 starts from the beginning")
            session.type("Escape")
            session.until(lambda state: not state["presenting"])
            session.type("ctrl+q")
            self.assertEqual(session.finish(), 0)

    def test_automation_keys_and_audience_clicks(self):
        code, events, errors = run_steps(self.xvfb, [
            f"open {SAMPLE_DECK}", "present", "wait 500", "key 3", "key Return", "state",
            "key 7", "click audience right", "state", "click audience left", "click audience left",
            "state", "key Ctrl+Right", "state", "key w", "key b", "state", "key Escape", "key Escape",
            "state", "quit"], settings={"appLanguage": "de"})
        self.assertEqual(code, 0, errors)
        states = [e for e in events if e["event"] == "state"]
        self.assertEqual([s["index"] for s in states], [2, 1, 3, 3, 3, 3])
        self.assertEqual(states[1]["jumpBuffer"], "", "a click discards the typed number")
        self.assertEqual(states[4]["blank"], "black", "B on a white screen makes it black")
        self.assertFalse(states[5]["presenting"])

    def test_language_restart_reopens_the_deck_at_the_slide(self):
        code, events, errors = run_steps(self.xvfb, [
            f"open {SAMPLE_DECK}", "goto 4", "menu Ansicht > Sprache > English", "state"],
            settings={"appLanguage": "de"})
        self.assertEqual(code, 0, errors)
        asked = [e for e in events if e["event"] != "state"]
        self.assertEqual([e["event"] for e in asked], ["alert", "relaunch"])
        self.assertEqual(asked[1]["arguments"], [str(SAMPLE_DECK), "--page", "5"])

    def test_empty_state_and_timer_texts(self):
        code, events, errors = run_steps(self.xvfb, ["wait 300", "state", "quit"],
                                         settings={"appLanguage": "en"})
        self.assertEqual(code, 0, errors)
        state = events[-1]
        self.assertTrue(state["emptyState"])
        self.assertEqual(state["timer"], "00:00:00")
        self.assertEqual(state["timerCaption"], "Talk time")
        self.assertEqual(state["pauseButton"], "Start timer")
        self.assertRegex(state["clock"], r"^\d\d:\d\d:\d\d$")
        self.assertEqual(state["title"], "Talvane Orvello")


if __name__ == "__main__":
    unittest.main()
