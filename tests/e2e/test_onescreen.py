"""One screen, as on a laptop rehearsal or a talk given over a video call: the audience picture is a
window of its own beside or over part of the console, in front of it, never on top of everything
and never taking the keys; full screen and the test window stay at hand, each titled by its mode.
Also the talk timer across Esc, F5 and Shift+F5. Places and stacking are read from the X server."""
import re
import subprocess
import tempfile
import unittest

from orvl_e2e import DisplayTestCase, SAMPLE_DECK, Session, Xvfb

POLLING = ["state", "wait 150"] * 800
WINDOW_TITLE = "Talvane Orvello – Publikum"


def x_tool(xvfb, *command):
    return subprocess.run(command, env={"DISPLAY": xvfb.display, "PATH": "/usr/bin:/bin"},
                          capture_output=True, text=True, check=True).stdout


def stacking(xvfb):
    """The root's children from bottom to top, as the X server stacks them (xwininfo lists the
    top one first)."""
    tree = x_tool(xvfb, "xwininfo", "-root", "-children")
    return [int(found, 16) for found in re.findall(r"^\s+(0x[0-9a-f]+)", tree, re.MULTILINE)][::-1]


def x_frame(xvfb, window):
    info = x_tool(xvfb, "xwininfo", "-id", str(window))
    number = {key: int(re.search(rf"{key}:\s+(-?\d+)", info)[1])
              for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")}
    return tuple(number.values())


def frame(state):
    audience = state["audience"]
    return audience["x"], audience["y"], audience["width"], audience["height"]


def console_window(xvfb, state):
    """The console's X window, found by its title (the deck's name)."""
    found = x_tool(xvfb, "xdotool", "search", "--name", f"^{re.escape(state['title'])}$").split()
    return int(found[0])


class OneScreen(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "xdotool", "xwininfo", "xprop", "convert")
    display_per_test = True

    def setUp(self):
        # A laptop alone: one monitor.
        self.xvfb = Xvfb(width=1920, monitors=(("LAPTOP", 0, 1920),)).__enter__()
        self.addCleanup(self.xvfb.__exit__, None, None, None)

    def test_the_audience_gets_a_window_of_its_own_beside_the_console(self):
        with tempfile.TemporaryDirectory() as home, \
                Session(self.xvfb, [f"open {SAMPLE_DECK}", "screens", *POLLING], home) as session:
            screens = session.next("screens")
            self.assertEqual(screens["popup"], ["Automatisch (zweiter Bildschirm)",
                                                "LAPTOP (1920×1080) – Vollbild auf diesem Bildschirm",
                                                "Testfenster (kein Vollbild)"])
            self.assertEqual(screens["caption"], "Ausgabe auf: eigenes Fenster")
            state = session.until(lambda state: state["focus"] == "presenter")
            # The first time the console is maximised on its screen.
            console = console_window(self.xvfb, state)
            self.assertIn("_NET_WM_STATE_MAXIMIZED_HORZ", x_tool(self.xvfb, "xprop", "-id", str(console)))
            session.type("F5")
            state = session.until(lambda state: state["audience"]["visible"])
            audience = state["audience"]
            self.assertTrue(audience["windowed"])
            self.assertEqual(audience["title"], WINDOW_TITLE)
            x, y, width, height = frame(state)
            self.assertTrue(0 <= x and x + width <= 1920 and 0 <= y and y + height <= 1080, frame(state))
            self.assertLess(width * height, 1920 * 1080 / 2, "the console stays in sight")

            # In front of the console, yet neither above every window nor taking the keys.
            window = int(audience["windowId"])
            order = stacking(self.xvfb)
            self.assertGreater(order.index(window), order.index(console))
            self.assertNotIn("_NET_WM_STATE_ABOVE", x_tool(self.xvfb, "xprop", "-id", str(window)))
            self.assertEqual(x_frame(self.xvfb, window), frame(state))
            self.assertEqual(state["focus"], "presenter")
            session.type("Right", "Right")
            state = session.until(lambda state: state["index"] == 2)
            self.assertEqual(state["focus"], "presenter")

            # Moved by the speaker, it opens there again.
            x_tool(self.xvfb, "xdotool", "windowmove", str(window), "40", "60")
            session.until(lambda state: frame(state)[:2] == (40, 60))
            session.type("Escape")
            session.until(lambda state: not state["audience"]["visible"])
            session.type("shift+F5")
            state = session.until(lambda state: state["audience"]["visible"])
            self.assertEqual(frame(state)[:2], (40, 60))
            self.assertEqual(state["index"], 2, "Shift+F5 goes on from the current slide")
            session.type("ctrl+q")
            self.assertEqual(session.next("confirm")["message"], "Präsentation läuft – wirklich beenden?")

    def test_full_screen_and_the_test_window_stay_at_hand(self):
        # The waits after each state leave the X server's answers time under a loaded machine:
        # the script runs on while the test reads the windows.
        steps = [f"open {SAMPLE_DECK}", "present", "wait 1500", "state",
                 "choose-screen 1", "wait 1500", "state", "wait 4000",
                 "choose-screen 2", "wait 1500", "state", "wait 5000", "quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            window = session.next_state()
            self.assertEqual(window["audience"]["title"], WINDOW_TITLE)

            full = session.next_state()
            self.assertFalse(full["audience"]["windowed"])
            self.assertEqual(frame(full), (0, 0, 1920, 1080))
            self.assertEqual(full["audience"]["title"], "Talvane Orvello – Publikum (Vollbild)")
            self.assertEqual(x_frame(self.xvfb, int(full["audience"]["windowId"])), (0, 0, 1920, 1080))

            # After a full-screen run the test window is a plain window again, in front.
            test = session.next_state()
            audience = test["audience"]
            self.assertTrue(audience["windowed"])
            self.assertEqual(audience["title"], "Talvane Orvello – Publikum (Testfenster)")
            self.assertEqual(frame(test), frame(window))
            shown = int(audience["windowId"])
            self.assertEqual(x_frame(self.xvfb, shown), frame(test))
            order = stacking(self.xvfb)
            self.assertGreater(order.index(shown), order.index(console_window(self.xvfb, test)))
            self.assertEqual(session.finish(), 0)

    def test_the_talk_timer_across_esc_f5_and_shift_f5(self):
        def seconds(state):
            hours, minutes, secs = map(int, state["timer"].split(":"))
            return 3600 * hours + 60 * minutes + secs

        with tempfile.TemporaryDirectory() as home, \
                Session(self.xvfb, [f"open {SAMPLE_DECK}", *POLLING], home) as session:
            session.until(lambda state: state["focus"] == "presenter")
            session.type("F5")
            session.until(lambda state: state["presenting"] and seconds(state) >= 3)
            session.type("Escape")
            ended = session.until(lambda state: not state["presenting"])
            # While no presentation runs the timer is paused, and says so.
            self.assertEqual(ended["timerCaption"], "Vortragszeit (angehalten)")
            for _ in range(10):
                held = session.next_state()
                self.assertEqual(held["timer"], ended["timer"])
            self.assertEqual(held["pauseButton"], "Timer fortsetzen")

            # Shift+F5 goes on with the same talk: the break cost nothing.
            session.type("shift+F5")
            state = session.until(lambda state: state["presenting"])
            self.assertGreaterEqual(seconds(state), seconds(ended))
            self.assertEqual(state["timerCaption"], "Vortragszeit")
            session.until(lambda state: seconds(state) >= seconds(ended) + 2)
            session.type("Escape")
            rehearsal = session.until(lambda state: not state["presenting"])

            # F5 starts from the beginning: a new talk, timed from zero.
            session.type("F5")
            state = session.until(lambda state: state["presenting"])
            self.assertLess(seconds(state), seconds(rehearsal))
            self.assertEqual(state["index"], 0)
            session.type("ctrl+q")
            session.next("confirm")


if __name__ == "__main__":
    unittest.main()
