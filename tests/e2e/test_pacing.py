"""Talk pacing: a length or end time from the command line or the "Vortragsdauer" dialog turns
the talk timer into a countdown, kept per deck; without one the timer counts up as before."""
import datetime
import json
import shutil
import subprocess
import tempfile
import unittest

from orvl_e2e import BINARY, DisplayTestCase, SAMPLE_DECK, Session, run_steps

ORANGE = "#ff9f0a"
RED = "#ff453a"


class Pacing(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr")

    def states(self, arguments, steps):
        code, events, errors = run_steps(self.xvfb, steps + ["quit"], settings={"appLanguage": "de"},
                                         arguments=[str(SAMPLE_DECK), *arguments])
        self.assertEqual(code, 0, errors)
        return [event for event in events if event["event"] == "state"]

    def test_a_length_counts_down_in_the_last_minutes(self):
        before, during = self.states(["--duration", "1"], ["state", "present", "wait 2500", "state"])
        # A one-minute talk is in its last five minutes from the start.
        self.assertEqual(before["pace"], {"remainingSeconds": 60, "phase": "last-minutes"})
        self.assertEqual((before["timer"], before["timerCaption"], before["timerColor"]),
                         ("00:01:00", "Restzeit", ORANGE))
        self.assertEqual(during["pace"]["phase"], "last-minutes")
        self.assertLess(during["pace"]["remainingSeconds"], 59)
        self.assertGreater(during["pace"]["remainingSeconds"], 30)
        self.assertEqual(during["timer"], "00:00:%02d" % during["pace"]["remainingSeconds"])

    def test_an_end_time_just_passed_counts_the_overrun_in_red(self):
        passed = (datetime.datetime.now() - datetime.timedelta(minutes=3)).strftime("%H:%M")
        (state,) = self.states(["--end-time", passed], ["present", "wait 500", "state"])
        self.assertEqual(state["pace"]["phase"], "over")
        self.assertTrue(-240 < state["pace"]["remainingSeconds"] <= -120, state["pace"])
        self.assertEqual((state["timerCaption"], state["timerColor"]), ("Überzogen", RED))

    def test_without_a_plan_the_timer_counts_up(self):
        # The timer starts once the projector shows the slide, later on a loaded machine: only
        # the counting up is certain.
        first, later = self.states([], ["present", "wait 1200", "state", "wait 1000", "state"])
        self.assertIsNone(first["pace"])
        self.assertEqual(first["timerCaption"], "Vortragszeit")
        self.assertRegex(first["timer"], r"^00:00:0[01]$")
        self.assertGreater(later["timer"], first["timer"])

    def test_the_dialog_sets_a_plan_kept_for_the_deck(self):
        folder = tempfile.mkdtemp(dir=self.work.name)
        deck, other = f"{folder}/talk.pdf", f"{folder}/other.pdf"
        shutil.copy(SAMPLE_DECK, deck)
        shutil.copy(SAMPLE_DECK, other)
        with tempfile.TemporaryDirectory() as home:
            steps = [f"open {deck}", "present", "menu Präsentation > Vortragsdauer …",
                     "key Right", "pace-dialog 25 3", "state", "quit"]
            with Session(self.xvfb, steps, home) as session:
                state = session.next_state()
                self.assertEqual(state["pace"], {"remainingSeconds": 1500, "phase": "normal"})
                self.assertEqual(state["index"], 1, "the open dialog does not hold up the talk")
                self.assertEqual(session.finish(), 0)
            steps = [f"open {other}", "state", f"open {deck}", "state",
                     "menu Präsentation > Vortragsdauer …", "pace-dialog none", "state",
                     f"open {other}", f"open {deck}", "state", "quit"]
            with Session(self.xvfb, steps, home) as session:
                self.assertIsNone(session.next_state()["pace"])
                self.assertEqual(session.next_state()["pace"]["remainingSeconds"], 1500)
                self.assertIsNone(session.next_state()["pace"])
                self.assertIsNone(session.next_state()["pace"], "no plan is kept as well")
                self.assertEqual(session.finish(), 0)

    def test_a_sidecar_plans_the_talk_unless_the_speaker_chose_otherwise(self):
        folder = tempfile.mkdtemp(dir=self.work.name)
        deck = f"{folder}/talk.pdf"
        shutil.copy(SAMPLE_DECK, deck)
        with open(f"{folder}/talk.pdfpc", "w", encoding="utf-8") as sidecar:
            json.dump({"pdfpcFormat": 2, "duration": 19.6, "lastMinutes": 2.4, "pages": []}, sidecar)
        with tempfile.TemporaryDirectory() as home:
            steps = [f"open {deck}", "state", "menu Präsentation > Vortragsdauer …", "pace-dialog none",
                     "state", "quit"]
            with Session(self.xvfb, steps, home) as session:
                self.assertEqual(session.next_state()["pace"], {"remainingSeconds": 1200, "phase": "normal"})
                self.assertIsNone(session.next_state()["pace"])
                self.assertEqual(session.finish(), 0)
            with Session(self.xvfb, [f"open {deck}", "state", "quit"], home) as session:
                self.assertIsNone(session.next_state()["pace"], "the speaker's choice of no plan is kept")
                self.assertEqual(session.finish(), 0)
        code, events, errors = run_steps(self.xvfb, ["state", "quit"], arguments=["--duration", "5", deck])
        self.assertEqual(code, 0, errors)
        self.assertEqual(events[-1]["pace"]["remainingSeconds"], 300, "the command line comes first")

    def test_command_line_options_are_listed_and_checked(self):
        environment = {"PATH": "/usr/bin:/bin", "ASAN_OPTIONS": "detect_leaks=0"}
        shown = subprocess.run([BINARY, "--help"], capture_output=True, text=True, env=environment)
        self.assertIn("--duration MIN", shown.stdout)
        self.assertIn("--end-time HH:MM", shown.stdout)
        for wrong in (["--duration", "0"], ["--duration", "ten"], ["--end-time", "24:00"],
                      ["--duration", "20", "--end-time", "14:00"]):
            result = subprocess.run([BINARY, *wrong], capture_output=True, text=True, env=environment)
            self.assertEqual(result.returncode, 2, wrong)
            self.assertIn(wrong[0] if len(wrong) == 2 else "exclude", result.stderr)


if __name__ == "__main__":
    unittest.main()
