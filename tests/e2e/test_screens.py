"""Output screens on two RandR monitors: the audience window follows a projector that is unplugged
and plugged in again, the chooser switches to the test window mid-talk, and the thumbnail sidebar
and menus answer the way a person uses them."""
import json
import os
import pathlib
import queue
import subprocess
import tempfile
import threading
import time
import unittest

from orvl_e2e import BINARY, SAMPLE_DECK, Image, Xvfb, have_tools, run_steps

BEAMER_GEOMETRY = "1920/508x1080/286+1920+0"
ORANGE = (0xFF, 0x9F, 0x0A)


def frame(state):
    audience = state["audience"]
    return audience["x"], audience["y"], audience["width"], audience["height"]


class Running:
    """The program running a script in the background, its events read as they arrive."""

    def __init__(self, xvfb, steps, home):
        script = pathlib.Path(home) / "steps.txt"
        script.write_text("\n".join(steps) + "\n", encoding="utf-8")
        environment = {**os.environ, "DISPLAY": xvfb.display, "QT_QPA_PLATFORM": "xcb",
                       "XDG_CONFIG_HOME": home, "XDG_RUNTIME_DIR": home, "HOME": home,
                       "ASAN_OPTIONS": "detect_leaks=0"}
        environment.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.process = subprocess.Popen(
            [BINARY, "--set", f"automationScript={script}", "--set", 'appLanguage="de"'],
            env=environment, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.events = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            if line.startswith("{"):
                self.events.put(json.loads(line))
        self.events.put(None)

    def next_event(self, kind, timeout=30):
        deadline = time.monotonic() + timeout
        while True:
            event = self.events.get(timeout=max(0.1, deadline - time.monotonic()))
            if event is None:
                raise AssertionError("the program ended early: " + self.process.stderr.read())
            if event.get("event") == "error":
                raise AssertionError(f"automation error: {event}")
            if event.get("event") == kind:
                return event

    def until(self, condition, timeout=10):
        """The first (state, screens) pair after now that satisfies condition, and the time it took."""
        start = time.monotonic()
        while time.monotonic() - start < timeout:
            state = self.next_event("state")
            screens = self.next_event("screens")
            if condition(state, screens):
                return state, screens, time.monotonic() - start
        raise AssertionError("the condition was not met in time")

    def stop(self):
        try:
            return self.process.wait(timeout=60)
        finally:
            if self.process.poll() is None:
                self.process.kill()
            self.process.stdout.close()
            self.process.stderr.close()


class Screens(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not have_tools("Xvfb", "xrandr", "convert"):
            raise unittest.SkipTest("needs Xvfb, xrandr and ImageMagick")
        cls.work = tempfile.TemporaryDirectory()

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def setUp(self):
        self.xvfb = Xvfb().__enter__()
        self.addCleanup(self.xvfb.__exit__, None, None, None)

    def path(self, name):
        return pathlib.Path(self.work.name) / name

    def test_audience_window_follows_the_projector(self):
        # A state and the chooser every 100 ms, for as long as the test needs them.
        polling = ["wait 100", "state", "screens"] * 300
        with tempfile.TemporaryDirectory() as home:
            running = Running(self.xvfb, [f"open {SAMPLE_DECK}", "present", "state", "screens",
                                          *polling, "quit"], home)
            try:
                state = running.next_event("state")
                screens = running.next_event("screens")
                self.assertEqual(frame(state), (1920, 0, 1920, 1080))
                self.assertEqual(screens["popup"], [
                    "Automatisch (zweiter Bildschirm)", "LAPTOP (1920×1080) – Presenter",
                    "BEAMER (1920×1080)", "Testfenster (kein Vollbild)"])
                self.assertEqual(screens["caption"], "Ausgabe auf: BEAMER")

                self.xvfb.xrandr("--delmonitor", "BEAMER")
                state, screens, took = running.until(lambda s, _: frame(s) == (0, 0, 1920, 1080))
                self.assertLess(took, 2.0)
                self.assertTrue(state["audience"]["visible"])
                self.assertFalse(state["audience"]["windowed"])
                # The chooser may lag the window by one poll; wait for its rebuild too.
                state, screens, _ = running.until(lambda s, c: len(c["screens"]) == 1)
                self.assertEqual(screens["popup"], [
                    "Automatisch (zweiter Bildschirm)", "LAPTOP (1920×1080) – Presenter",
                    "Testfenster (kein Vollbild)"])
                self.assertEqual(screens["caption"], "Ausgabe auf: LAPTOP  (nur 1 Bildschirm!)")
                self.assertEqual(frame(state), (0, 0, 1920, 1080))

                self.xvfb.xrandr("--setmonitor", "BEAMER", BEAMER_GEOMETRY, "none")
                state, screens, took = running.until(lambda s, _: frame(s) == (1920, 0, 1920, 1080))
                self.assertLess(took, 2.0)
                state, screens, _ = running.until(lambda s, c: len(c["screens"]) == 2)
                self.assertEqual(screens["caption"], "Ausgabe auf: BEAMER")
                self.assertEqual(screens["selected"], 0)
            finally:
                running.stop()

    def test_test_window_mid_talk_and_back(self):
        code, events, errors = run_steps(self.xvfb, [
            f"open {SAMPLE_DECK}", "present", "state",
            "choose-screen 3", "state", "screens",
            "choose-screen 0", "state", "screens", "quit"], settings={"appLanguage": "de"})
        self.assertEqual(code, 0, errors)
        self.assertEqual([e for e in events if e["event"] == "error"], [])
        states = [e for e in events if e["event"] == "state"]
        screens = [e for e in events if e["event"] == "screens"]
        self.assertEqual(frame(states[0]), (1920, 0, 1920, 1080))
        # A 960 × 540 content area centred on the presenter's screen, at once.
        self.assertTrue(states[1]["audience"]["windowed"])
        self.assertTrue(states[1]["audience"]["visible"])
        self.assertEqual(frame(states[1]), (480, 270, 960, 540))
        self.assertEqual(screens[0]["selected"], 3)
        self.assertEqual(screens[0]["caption"], "Ausgabe auf: Testfenster")
        self.assertFalse(states[2]["audience"]["windowed"])
        self.assertEqual(frame(states[2]), (1920, 0, 1920, 1080))
        self.assertEqual(screens[1]["caption"], "Ausgabe auf: BEAMER")

    def test_saved_screen_that_is_absent_falls_back(self):
        code, events, errors = run_steps(self.xvfb, [
            f"open {SAMPLE_DECK}", "present", "state", "screens", "quit"],
            settings={"appLanguage": "de", "outputScreen": "Projector 1024x768"})
        self.assertEqual(code, 0, errors)
        state = next(e for e in events if e["event"] == "state")
        screens = next(e for e in events if e["event"] == "screens")
        self.assertEqual(frame(state), (1920, 0, 1920, 1080))
        self.assertEqual(screens["selected"], 0)
        self.assertEqual(screens["caption"], "Ausgabe auf: BEAMER")
        # Kept, so that the choice comes back with that display.
        self.assertEqual(screens["setting"], "Projector 1024x768")

    def test_menu_shortcuts_from_the_keyboard(self):
        if not have_tools("xdotool"):
            self.skipTest("needs xdotool")
        steps = [f"open {SAMPLE_DECK}", "wait 800", "state"] + ["wait 2500", "state"] * 3 + ["quit"]
        with tempfile.TemporaryDirectory() as home:
            running = Running(self.xvfb, steps, home)
            try:
                self.assertEqual(running.next_event("state")["columns"], 1)
                environment = {**os.environ, "DISPLAY": self.xvfb.display}
                subprocess.run(["xdotool", "key", "ctrl+3"], env=environment, check=True)
                self.assertEqual(running.next_event("state")["columns"], 3)
                subprocess.run(["xdotool", "key", "ctrl+Return"], env=environment, check=True)
                state = running.next_event("state")
                self.assertTrue(state["presenting"])
                self.assertEqual(state["jumpBuffer"], "")
                subprocess.run(["xdotool", "key", "ctrl+0"], env=environment, check=True)
                self.assertEqual(running.next_event("state")["columns"], 1)
                self.assertEqual(running.stop(), 0)
            finally:
                running.stop()

    def test_sidebar_with_three_columns(self):
        grab = self.path("presenter-3-columns.png")
        code, events, errors = run_steps(self.xvfb, [
            f"open {SAMPLE_DECK}", "menu Darstellung > Folienleiste: 3 Spalten", "goto 4",
            "wait 1500", f"grab presenter {grab}", "state",
            "click thumbnail 2", "state",
            "menu Darstellung > Folienleiste: 9 Spalten", "menu Ablage > Zuletzt geöffnet > Liste löschen",
            "menu Präsentation > Weißbild   (W oder ,)", "state", "quit"], settings={"appLanguage": "de"})
        self.assertEqual(code, 0, errors)
        states = [e for e in events if e["event"] == "state"]
        errors_shown = [e for e in events if e["event"] == "error"]
        self.assertEqual(len(errors_shown), 1, events)
        self.assertIn("9 Spalten", errors_shown[0]["step"])
        self.assertEqual(states[0]["columns"], 3)
        self.assertEqual(states[0]["selectedThumbnail"], 4)
        self.assertEqual(states[1]["index"], 2)
        self.assertEqual(states[1]["selectedThumbnail"], 2)
        self.assertEqual(states[2]["blank"], "white")
        self.assertEqual(states[2]["recent"], [])

        image = Image(grab)
        width = states[0]["sidebarWidth"]
        self.assertGreaterEqual(width, 90)
        # The current slide's thumbnail (the second cell of the second row) is framed in orange.
        orange = [(x, y) for y in range(28, image.height // 2) for x in range(width)
                  if image.pixel(x, y) == ORANGE]
        self.assertTrue(orange, "no highlight in the sidebar")
        xs = [x for x, _ in orange]
        cell = width / 3
        self.assertTrue(all(cell <= x < 2 * cell for x in xs), (min(xs), max(xs), cell))


if __name__ == "__main__":
    unittest.main()
