"""The program among other programs: a deck rebuilt while it is shown is reloaded in place, and a
second launch hands its PDF to the running program over the session bus, which asks first during a
talk and does not keep the talk waiting while it loads."""
import pathlib
import shutil
import subprocess
import tempfile
import time

from orvl_e2e import BINARY, DisplayTestCase, SAMPLE_DECK, Session, SessionBus, program_environment

# How long the later file is watched for the dropped one to show up.
LONG_LOAD_WATCH_SECONDS = 8


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


class Desktop(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "xdotool", "qpdf", "dbus-daemon")

    def launch(self, bus, *files):
        """A later launch of the program on the same bus, as a file manager starts it; had it run
        by itself, it would have said its state and quit."""
        with tempfile.TemporaryDirectory() as home:
            script = pathlib.Path(home) / "steps.txt"
            script.write_text("state\nquit\n", encoding="utf-8")
            launched = subprocess.run([BINARY, "--set", f"automationScript={script}", *map(str, files)],
                                      env=program_environment(self.xvfb, home, bus.address),
                                      capture_output=True, text=True, timeout=300)
        self.assertEqual((launched.returncode, launched.stdout), (0, ""), launched.stderr)

    def test_a_second_launch_hands_over_to_the_running_program(self):
        other = self.path("other.pdf")
        subprocess.run(["qpdf", "--empty", "--pages", str(SAMPLE_DECK), "1-3", "--", str(other)], check=True)
        polling = ["wait 200", "state"] * 400
        # During a talk the program asks first, the later launch having its answer already; the
        # speaker keeps the talk, or leaves it for the other deck.
        for switch in (False, True):
            with tempfile.TemporaryDirectory() as home, SessionBus(home) as bus, \
                    Session(self.xvfb, [f"open {SAMPLE_DECK}", "goto 4", "present", "state", *polling, "quit"],
                            home, settings={"automationSwitchDeck": switch},
                            environment=program_environment(self.xvfb, home, bus.address)) as running:
                self.assertEqual(running.next_state()["pageCount"], 12)

                self.launch(bus, other)
                asked = running.next("confirm")
                self.assertEqual(asked["message"], "Präsentation läuft – zu „other.pdf“ wechseln?")
                if not switch:
                    state = running.next_state()
                    self.assertEqual((state["url"], state["index"], state["presenting"]),
                                     (SAMPLE_DECK.as_uri(), 4, True))
                    # Once the talk has ended, a file handed over opens without a question.
                    running.type("Escape")
                    running.until(lambda s: not s["presenting"])
                    self.launch(bus, other)
                # Opened as a dropped file is: from its first slide, the talk stopped.
                state = running.until(lambda s: s["pageCount"] == 3)
                self.assertEqual((state["url"], state["index"], state["presenting"]), (other.as_uri(), 0, False))
                self.assertEqual([event["event"] for event in running.seen].count("confirm"), 1)

                # Without files a later launch only brings the console forward.
                self.launch(bus)
                self.assertEqual(running.next_state()["url"], other.as_uri())
                self.assertNotIn("alert", [event.get("event") for event in running.seen])

    def test_a_long_load_keeps_the_talk_and_gives_way_to_a_later_file(self):
        # A PDF header and 64 GiB of nothing (sparse: no disk): MuPDF is still searching it for
        # objects when the open deadline ends the load, however fast the machine reads PDFs.
        slow = self.path("long.pdf")
        with open(slow, "wb") as sparse:
            sparse.write(b"%PDF-1.7\n")
            sparse.truncate(64 << 30)
        other = self.path("other.pdf")
        subprocess.run(["qpdf", "--empty", "--pages", str(SAMPLE_DECK), "1-3", "--", str(other)], check=True)
        polling = ["wait 150", "state"] * 800
        with tempfile.TemporaryDirectory() as home, SessionBus(home) as bus, \
                Session(self.xvfb, [f"open {SAMPLE_DECK}", "goto 4", "present", "wait 800", "state", *polling,
                                    "quit"], home, settings={"automationSwitchDeck": True},
                        environment=program_environment(self.xvfb, home, bus.address)) as running:
            sample = running.next_state()["url"]
            self.launch(bus, slow)
            state = running.until(lambda s: s["status"] == "Öffne long.pdf …")
            self.assertEqual((state["url"], state["index"], state["presenting"]), (sample, 4, True))
            # The keys still step the talk on the deck shown.
            running.type("Right")
            state = running.until(lambda s: s["index"] == 5 or s["url"] != sample)
            self.assertEqual((state["url"], state["status"]), (sample, "Öffne long.pdf …"))

            # A later file takes the pending one's place, and the long one never shows.
            self.launch(bus, other)
            state = running.until(lambda s: s["url"] != sample)
            self.assertEqual((state["url"], state["pageCount"], state["presenting"]), (other.as_uri(), 3, False))
            self.assertNotIn("Öffne", state["status"])
            watched = time.monotonic()
            while time.monotonic() - watched < LONG_LOAD_WATCH_SECONDS:
                self.assertEqual(running.next_state()["url"], other.as_uri())

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
            state = running.until(lambda s: s["pageCount"] == 9)
            self.assertEqual((state["index"], state["presenting"]), (7, True))
            self.assertTrue(state["audience"]["visible"])
            self.assertNotEqual(state["timer"], "00:00:00", "the talk timer goes on")

            write_slowly(b"%PDF-1.4\nnot a deck any more\n", deck)
            state = running.until(lambda s: "nicht lesbar" in s["status"])
            self.assertEqual((state["pageCount"], state["index"], state["presenting"]), (9, 7, True))
            self.assertNotIn("alert", [event.get("event") for event in running.seen])

            pages(SAMPLE_DECK, 5, deck)
            state = running.until(lambda s: s["pageCount"] == 5)
            self.assertEqual((state["index"], state["presenting"]), (4, True))
            self.assertNotIn("nicht lesbar", state["status"])
