"""Output screens on two RandR monitors: the audience window follows a projector that is unplugged
(a window of its own beside the console) and plugged in again, the chooser switches to the test
window mid-talk, and the thumbnail sidebar and menus answer the way a person uses them."""
import tempfile
import time
import unittest

from orvl_e2e import DisplayTestCase, Image, SAMPLE_DECK, Session, have_tools, run_steps

BEAMER_GEOMETRY = "1920/508x1080/286+1920+0"
LAPTOP_FULL_SCREEN = "LAPTOP (1920×1080) – Vollbild auf diesem Bildschirm"
ORANGE = (0xFF, 0x9F, 0x0A)


def frame(state):
    audience = state["audience"]
    return audience["x"], audience["y"], audience["width"], audience["height"]


def until(session, condition, timeout=10):
    """The first (state, screens) pair from now on that satisfies condition."""
    start = time.monotonic()
    while time.monotonic() - start < timeout:
        state = session.next("state")
        screens = session.next("screens")
        if condition(state, screens):
            return state, screens
    raise AssertionError("the condition was not met in time")


class Screens(DisplayTestCase):
    # Each test changes the monitors, so each gets an X server of its own.
    display_per_test = True

    def test_audience_window_follows_the_projector(self):
        # A state and the chooser every 100 ms, for as long as the test needs them.
        polling = ["wait 100", "state", "screens"] * 300
        with tempfile.TemporaryDirectory() as home:
            with Session(self.xvfb, [f"open {SAMPLE_DECK}", "present", "state", "screens",
                                          *polling, "quit"], home) as running:
                state = running.next("state")
                screens = running.next("screens")
                self.assertEqual(frame(state), (1920, 0, 1920, 1080))
                self.assertEqual(screens["popup"], [
                    "Automatisch (zweiter Bildschirm)", LAPTOP_FULL_SCREEN,
                    "BEAMER (1920×1080)", "Testfenster (kein Vollbild)"])
                self.assertEqual(screens["caption"], "Ausgabe auf: BEAMER")
                self.assertEqual(state["audience"]["title"], "Talvane Orvello – Publikum (Vollbild)")

                # With the laptop alone the audience gets a window of its own, not the console's
                # whole screen.
                self.xvfb.xrandr("--delmonitor", "BEAMER")
                state, screens = until(running, lambda s, _: s["audience"]["windowed"])
                self.assertTrue(state["audience"]["visible"])
                x, y, width, height = frame(state)
                self.assertTrue(x >= 0 and x + width <= 1920 and width < 1920, frame(state))
                # The chooser may lag the window by one poll; wait for its rebuild too.
                state, screens = until(running, lambda s, c: len(c["screens"]) == 1)
                self.assertEqual(screens["popup"], [
                    "Automatisch (zweiter Bildschirm)", LAPTOP_FULL_SCREEN, "Testfenster (kein Vollbild)"])
                self.assertEqual(screens["caption"], "Ausgabe auf: eigenes Fenster")

                self.xvfb.xrandr("--setmonitor", "BEAMER", BEAMER_GEOMETRY, "none")
                state, screens = until(running, lambda s, _: frame(s) == (1920, 0, 1920, 1080))
                state, screens = until(running, lambda s, c: len(c["screens"]) == 2)
                self.assertEqual(screens["caption"], "Ausgabe auf: BEAMER")
                self.assertEqual(screens["selected"], 0)

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
        # A window on the presenter's screen, at once.
        self.assertTrue(states[1]["audience"]["windowed"])
        self.assertTrue(states[1]["audience"]["visible"])
        x, y, width, height = frame(states[1])
        self.assertTrue(x >= 0 and x + width <= 1920 and 400 <= width < 1920, frame(states[1]))
        self.assertEqual(states[1]["audience"]["title"], "Talvane Orvello – Publikum (Testfenster)")
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
            with Session(self.xvfb, steps, home) as running:
                self.assertEqual(running.next("state")["columns"], 1)
                running.type("ctrl+3")
                self.assertEqual(running.next("state")["columns"], 3)
                running.type("ctrl+Return")
                state = running.next("state")
                self.assertTrue(state["presenting"])
                self.assertEqual(state["jumpBuffer"], "")
                running.type("ctrl+0")
                self.assertEqual(running.next("state")["columns"], 1)
                self.assertEqual(running.finish(), 0)

    def test_sidebar_with_three_columns(self):
        grab = self.path("presenter-3-columns.png")
        code, events, errors = run_steps(self.xvfb, [
            f"open {SAMPLE_DECK}", "menu Ansicht > Folienleiste: 3 Spalten", "goto 4",
            "wait 1500", f"grab presenter {grab}", "state",
            "click thumbnail 2", "state",
            "menu Ansicht > Folienleiste: 9 Spalten", "menu Datei > Zuletzt geöffnet > Liste löschen",
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
