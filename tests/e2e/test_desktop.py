"""The program among other programs: a deck rebuilt while it is shown is reloaded in place, and a
second launch hands its PDF to the running program over the session bus."""
import os
import pathlib
import shutil
import subprocess
import tempfile
import time

from orvl_e2e import DisplayTestCase, SAMPLE_DECK, Session, have_tools, program_environment


def pages(source, count, target):
    """Writes the first `count` pages of `source` to `target` in place, the way LaTeX does, with a
    pause halfway, longer than the program waits for a change to settle."""
    with tempfile.TemporaryDirectory() as folder:
        made = pathlib.Path(folder) / "made.pdf"
        subprocess.run(["qpdf", "--empty", "--pages", str(source), f"1-{count}", "--", str(made)], check=True)
        write_slowly(made.read_bytes(), target)


def write_slowly(data, target):
    with open(target, "wb") as file:
        file.write(data[:len(data) // 2])
        file.flush()
        time.sleep(1.2)
        file.write(data[len(data) // 2:])


def until(session, condition, timeout=30):
    start = time.monotonic()
    while time.monotonic() - start < timeout:
        state = session.next("state")
        if condition(state):
            return state
    raise AssertionError("the condition was not met in time")


class Desktop(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "qpdf")

    def test_a_rebuilt_deck_is_reloaded_in_place(self):
        deck = self.path("talk.pdf")
        shutil.copy(SAMPLE_DECK, deck)
        polling = ["wait 200", "state"] * 400
        with tempfile.TemporaryDirectory() as home, \
                Session(self.xvfb, [f"open {deck}", "goto 7", "present", "state", *polling, "quit"],
                        home) as running:
            before = running.next_state()
            self.assertEqual((before["index"], before["pageCount"]), (7, 12))

            pages(SAMPLE_DECK, 9, deck)
            state = until(running, lambda s: s["pageCount"] == 9)
            self.assertEqual((state["index"], state["presenting"]), (7, True))
            self.assertTrue(state["audience"]["visible"])
            self.assertNotEqual(state["timer"], "00:00:00", "the talk timer goes on")

            write_slowly(b"%PDF-1.4\nnot a deck any more\n", deck)
            state = until(running, lambda s: "nicht lesbar" in s["status"])
            self.assertEqual((state["pageCount"], state["index"], state["presenting"]), (9, 7, True))
            self.assertNotIn("alert", [event.get("event") for event in running.seen])

            pages(SAMPLE_DECK, 5, deck)
            state = until(running, lambda s: s["pageCount"] == 5)
            self.assertEqual((state["index"], state["presenting"]), (4, True))
            self.assertNotIn("nicht lesbar", state["status"])
