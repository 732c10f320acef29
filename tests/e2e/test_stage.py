"""Nothing interrupts a running talk: a timer found mid-talk waits for the end of the talk instead
of taking the keyboard, Ctrl+H hides nothing, an audience window the window system takes away comes
back, and quitting mid-talk asks first. Runs in a network namespace of its own (loopback alone),
because a fake Ontime server appears on the port the program scans."""
import subprocess
import tempfile
import unittest

from orvl_e2e import DisplayTestCase, SAMPLE_DECK, Session
from test_timers import FAKE_ONTIME, ONTIME_PORT, FakeServer, isolated_network

HELD = "Timer gefunden – Auswahl nach dem Vortrag oder im Menü „Ontime / Stagetimer“"


class Stage(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "xdotool", "convert", "ip")

    @classmethod
    def setUpClass(cls):
        if not isolated_network():
            raise unittest.SkipTest("runs only in an isolated network namespace (loopback alone)")
        if not FAKE_ONTIME.exists():
            raise unittest.SkipTest("needs the fake-ontime tool built")
        super().setUpClass()

    def test_timer_found_mid_talk_waits_for_the_end_of_the_talk(self):
        steps = [f"open {SAMPLE_DECK}", "present", "wait 1500", "state", "wait 9000", "state",
                 "menu-timers", "wait 3000", "state", "key Escape", "wait 500", "state", "quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            before = session.next_state()
            self.assertTrue(before["presenting"])
            self.assertNotEqual(before["status"], HELD)
            server = FakeServer([str(FAKE_ONTIME), "--port", str(ONTIME_PORT)])
            self.addCleanup(server.stop)

            held = session.next_state()
            self.assertEqual(held["status"], HELD)
            self.assertEqual(session.next("timer-menu")["items"][1]["title"], "Gefundene Timer zur Auswahl …")
            # The speaker's remote keeps working: no sheet has taken the keyboard.
            session.type("Right", "Right", "Right")
            moved = session.next_state()
            self.assertEqual(moved["index"], 3)
            self.assertTrue(moved["audience"]["exposed"])

            sheet = session.next("sheet")
            self.assertEqual(sheet["message"], "Timer gefunden")
            after = session.next_state()
            self.assertFalse(after["presenting"])
            self.assertNotEqual(after["status"], HELD)
            self.assertEqual([event["event"] for event in session.seen].count("sheet"), 1)
            self.assertIn("offer-held", [event["event"] for event in session.seen])
            self.assertEqual(session.finish(), 0)

    def test_the_projector_stays_and_quitting_asks(self):
        steps = [f"open {SAMPLE_DECK}", "present", "wait 1000", "state"] + ["wait 3000", "state"] * 3 + ["quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            audience = session.next_state()["audience"]
            self.assertTrue(audience["exposed"])
            session.type("ctrl+h")
            state = session.next_state()
            self.assertTrue(state["audience"]["exposed"], "Ctrl+H hides nothing")

            # Taken off the screen from outside, as a window manager may: it comes back.
            subprocess.run(["xdotool", "windowunmap", audience["windowId"]], env=session.environment,
                           check=True)
            state = session.next_state()
            self.assertTrue(state["audience"]["exposed"])
            self.assertTrue(state["presenting"])

            session.type("ctrl+q")
            self.assertEqual(session.next("confirm")["message"], "Präsentation läuft – wirklich beenden?")
            session.type("ctrl+w")
            session.next("confirm")
            state = session.next_state()
            self.assertTrue(state["presenting"], "the default answer keeps presenting")
            self.assertEqual(session.finish(), 0)


if __name__ == "__main__":
    unittest.main()
