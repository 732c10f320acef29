"""The record of a talk: a rehearsal's time per slide, kept after the program ends, adopted as the
plan; a talk that falls behind it is offered slides to skip, and S jumps past them."""
import tempfile
import unittest

from orvl_e2e import DisplayTestCase, SAMPLE_DECK, Session

SLIDES = 12


class Timings(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr")

    def test_rehearsal_becomes_the_plan_and_a_late_talk_is_offered_a_skip(self):
        rehearsal = [f"open {SAMPLE_DECK}", "menu Präsentation > Probe starten"]
        for _ in range(SLIDES - 1):
            rehearsal += ["wait 1100", "next"]
        rehearsal += ["wait 1100", "stop", "timings", "adopt-plan"]
        # A ten-minute talk: only a talk with a length or an end time is offered skips.
        talk = ["menu Präsentation > Vortragsdauer …", "pace-dialog 10",
                # F5 after the rehearsal: a new talk, timed from zero.
                "key F5", "wait 3500", "state", "key s", "wait 300", "state", "stop", "timings",
                "quit"]
        with tempfile.TemporaryDirectory() as home, \
                Session(self.xvfb, rehearsal + talk, home,
                        settings={"skipThresholdSeconds": 1}) as session:
            recorded = session.next("timings")["runs"]
            self.assertEqual(len(recorded), 1)
            run = recorded[0]
            self.assertEqual(run["kind"], "rehearsal")
            seconds = run["seconds"]
            self.assertEqual(len(seconds), SLIDES)
            self.assertTrue(all(1 <= second <= 4 for second in seconds), seconds)

            late = session.next_state()
            self.assertIsNotNone(late["plan"])
            self.assertGreater(late["plan"], 1, "three seconds on a slide planned for less")
            offer = late["skipOffer"]
            self.assertIsNotNone(offer)
            self.assertGreaterEqual(offer["seconds"], late["plan"])
            self.assertIn("überspringen", late["status"])
            skipped = session.next_state()
            self.assertEqual(skipped["index"], offer["last"] + 1, "S jumped past the offer")

            runs = session.next("timings")["runs"]
            self.assertEqual([run["kind"] for run in runs], ["rehearsal", "talk"])
            self.assertEqual(session.finish(), 0)


if __name__ == "__main__":
    unittest.main()
