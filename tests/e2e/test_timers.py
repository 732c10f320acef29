"""External timers end to end: the real binary finds a fake Ontime server and a fake Stagetimer app on
loopback, offers them in the choice sheet, shows their countdowns, switches between them from the menu
and the setup windows, falls back to the talk timer, and reconnects to the stored choice after a restart.
Runs only inside an isolated network namespace (loopback alone), where nothing can leave the machine."""
import os
import pathlib
import shutil
import subprocess
import tempfile
import unittest
import urllib.request

from orvl_e2e import BINARY, DisplayTestCase, Image, SAMPLE_DECK, Session

BUILD_DIR = pathlib.Path(BINARY).parent if BINARY else pathlib.Path()
FAKE_ONTIME = BUILD_DIR / "tools" / "fake-ontime" / "fake-ontime"
FAKE_STAGETIMER = BUILD_DIR / "tools" / "fake-stagetimer" / "fake-stagetimer"
ONTIME_PORT = 4001
STAGETIMER_PORT = 3000
ONTIME_LABEL = "127.0.0.1:4001 – Ontime 4.11.0"
MENU = "Ontime / Stagetimer"
RED = (0xFF, 0x45, 0x3A)
ORANGE = (0xFF, 0x9F, 0x0A)
YELLOW = (0xFF, 0xD6, 0x0A)


def isolated_network():
    """True when loopback is the only network interface: nothing can reach another machine."""
    links = subprocess.run(["ip", "-o", "link", "show"], capture_output=True, text=True).stdout
    names = [line.split(":")[1].strip().split("@")[0] for line in links.splitlines() if ":" in line]
    return names == ["lo"]


class FakeServer:
    """One fake server process on loopback, waited for until it accepts connections."""

    def __init__(self, command):
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                        env={**os.environ, "QT_QPA_PLATFORM": "offscreen",
                                             "ASAN_OPTIONS": "detect_leaks=0"})
        line = self.process.stdout.readline()
        if not line.startswith("listening"):
            raise RuntimeError(f"{command[0]} did not start: {line}{self.process.stderr.read()}")

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stdout.close()
        self.process.stderr.close()


def control(port, path):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}{path}", timeout=5) as answer:
        assert answer.status == 200, path


def seconds(text):
    """'09:58' or '-00:05' as signed seconds."""
    sign = -1 if text.startswith("-") else 1
    total = 0
    for part in text.lstrip("-").split(":"):
        total = total * 60 + int(part)
    return sign * total


def near(colour, target, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, target))


def block_colours(image, state):
    """The colours in the timer block's area at the bottom left of the presenter view."""
    left = state["sidebarWidth"] + 20
    return {image.pixel(x, y) for x in range(left, left + 260, 2)
            for y in range(image.height - 174, image.height - 24, 2)}


class Timers(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "xdotool", "identify", "convert", "ip")

    @classmethod
    def setUpClass(cls):
        if not isolated_network():
            raise unittest.SkipTest("runs only in an isolated network namespace (loopback alone)")
        if not FAKE_ONTIME.exists() or not FAKE_STAGETIMER.exists():
            raise unittest.SkipTest("needs the fake-ontime and fake-stagetimer tools built")
        super().setUpClass()
        cls.ontime = FakeServer([str(FAKE_ONTIME), "--port", str(ONTIME_PORT)])
        cls.stagetimer = FakeServer([str(FAKE_STAGETIMER), "--port", str(STAGETIMER_PORT)])

    @classmethod
    def tearDownClass(cls):
        cls.ontime.stop()
        cls.stagetimer.stop()
        super().tearDownClass()

    def keep(self, name):
        """Copies a grab to ORVL_SCREENSHOTS when that names a folder (for the documentation)."""
        folder = os.environ.get("ORVL_SCREENSHOTS")
        if folder:
            shutil.copy(self.path(name), pathlib.Path(folder) / name)

    def test_search_choose_switch_and_restart(self):
        control(ONTIME_PORT, "/control?playback=play&current=600000&title=Keynote&message=&visible=0&blink=0")
        control(STAGETIMER_PORT, "/control/timer?state=running&ms=300000&id=T1&name=Keynote")
        control(STAGETIMER_PORT, "/control/message?text=Noch%205%20Minuten")
        grab = lambda which, name: f"grab {which} {self.path(name)}"
        steps = [f"open {SAMPLE_DECK}", "wait 5000", "state", "search-timers", "wait 4000", "state",
                 "choose-timer 0", "wait 2500", "state", "wait 1500", "state",
                 grab("presenter", "timer-ontime-running.png"),
                 "show-ontime-setup", "wait 800", "state", grab("ontime-setup", "timer-ontime-setup.png"),
                 "setup-press Fertig",
                 "wait 2000", "state", grab("presenter", "timer-ontime-paused.png"),
                 "wait 2000"] + ["state", "wait 250"] * 4 + [
                 grab("presenter", "overtime-a.png"), "wait 500", grab("presenter", "overtime-b.png"),
                 "menu-timers",
                 f"menu {MENU} > Verbinden mit 127.0.0.1:3000 – Stagetimer", "wait 800", "state",
                 "setup room ROOM1234", "setup key KEY1234", "setup-press Verbinden", "wait 3000", "state",
                 grab("stagetimer-setup", "timer-stagetimer-setup.png"), "setup-press Fertig",
                 grab("presenter", "timer-stagetimer-running.png"),
                 f"menu {MENU} > Verbinden mit {ONTIME_LABEL}", "wait 2500", "state",
                 f"menu {MENU} > Verbinden mit 127.0.0.1:3000 – Stagetimer", "wait 3000", "state",
                 "wait 1500", "state",
                 f"menu {MENU} > Interner Timer verwenden", "wait 800", "state", "menu-timers",
                 f"menu {MENU} > Verbinden mit 127.0.0.1:3000 – Stagetimer", "wait 3000", "state",
                 "quit"]
        home = tempfile.mkdtemp(dir=self.work.name)
        with Session(self.xvfb, steps, home, {}) as session:
            sheet = session.next("sheet")
            self.assertEqual(sheet["message"], "Timer gefunden")
            self.assertEqual(sheet["choices"], [ONTIME_LABEL, "127.0.0.1:3000 – Stagetimer",
                                                "Interner Timer (Vortragszeit)"])
            self.assertEqual(sheet["selected"], 0)
            state = session.next("state")
            self.assertFalse(state["ontime"]["scanning"])
            self.assertEqual(state["ontime"]["status"], "Bitte ein Ontime auswählen")
            self.assertEqual(state["block"]["visible"], "none", "nothing is shown before the choice")
            # A second search finds the same timers, but no second sheet opens over the first.
            state = session.next("state")
            self.assertFalse(state["ontime"]["scanning"])
            self.assertEqual([event.get("event") for event in session.seen].count("sheet"), 1)

            # Ontime chosen in the sheet: its block replaces the talk timer and counts down.
            first = session.next("state")
            self.assertTrue(first["ontime"]["connected"])
            self.assertEqual(first["ontime"]["server"], ONTIME_LABEL)
            self.assertEqual(first["timerSource"], "ontime")
            block = first["block"]
            self.assertEqual(block["visible"], "ontime")
            self.assertEqual(block["caption"], "Ontime-Timer · Keynote")
            self.assertEqual(block["status"], "127.0.0.1 · läuft")
            self.assertEqual(block["timeColor"], "#ffffff")
            second = session.next("state")
            self.assertLess(seconds(second["block"]["time"]), seconds(block["time"]))
            self.assertGreater(seconds(second["block"]["time"]), 540)

            # The setup window while connected: no search, the server checked.
            setup = session.next("state")
            # Paused at once: the paused state follows two seconds later, and reading the grab
            # on a loaded machine may take that long.
            control(ONTIME_PORT, "/control?playback=pause&current=125000")
            # Each grab is written before the next state line.
            running = Image(self.path("timer-ontime-running.png"))
            self.assertNotIn(RED, block_colours(running, second))
            self.assertNotIn(ORANGE, block_colours(running, second))
            self.assertEqual(setup["setup"], "ontime")
            self.assertFalse(setup["ontime"]["scanning"])

            paused = session.next("state")
            control(ONTIME_PORT, "/control?playback=play&current=-5000&message=Bitte%20zum%20Ende%20kommen"
                                 "&visible=1&blink=1")
            self.assertEqual(paused["setup"], "none")
            self.assertEqual(paused["block"]["time"], "02:05")
            self.assertEqual(paused["block"]["timeColor"], "#ff9f0a")
            self.assertEqual(paused["block"]["status"], "127.0.0.1 · pausiert")

            # Over time with a blinking message: red time, the message fades every half second.
            over = [session.next("state") for _ in range(4)]
            self.assertIn(ORANGE, block_colours(Image(self.path("timer-ontime-paused.png")), paused))
            for state in over:
                self.assertTrue(state["block"]["time"].startswith("-"), state["block"])
                self.assertEqual(state["block"]["timeColor"], "#ff453a")
                self.assertEqual(state["block"]["status"], "127.0.0.1 · Überzeit")
                self.assertEqual(state["block"]["message"], "Bitte zum Ende kommen")
            self.assertEqual({state["block"]["messageOpacity"] for state in over}, {1.0, 0.15})

            menu = session.next("timer-menu")["items"]
            # Half a second apart the message shows once bright and once faint.
            grabs = [Image(self.path(name)) for name in ("overtime-a.png", "overtime-b.png")]
            yellows = [sum(1 for colour in block_colours(image, over[-1]) if near(colour, YELLOW))
                       for image in grabs]
            self.assertEqual(min(yellows), 0, yellows)
            self.assertGreater(max(yellows), 10, yellows)
            for image in grabs:
                self.assertIn(RED, block_colours(image, over[-1]))
            bright = ("overtime-a.png", "overtime-b.png")[yellows.index(max(yellows))]
            shutil.copy(self.path(bright), self.path("timer-ontime-overtime.png"))
            self.assertEqual(menu[0], {"title": f"● Verbunden: {ONTIME_LABEL}", "enabled": False,
                                       "checked": False})
            entries = {item["title"]: item for item in menu}
            self.assertTrue(entries[f"Verbinden mit {ONTIME_LABEL}"]["checked"])
            self.assertFalse(entries["Verbinden mit 127.0.0.1:3000 – Stagetimer"]["checked"])
            self.assertTrue(entries["Interner Timer verwenden"]["enabled"])

            # The app chosen without room and key: the setup window asks for them; Ontime stays.
            asking = session.next("state")
            self.assertEqual(asking["setup"], "stagetimer")
            self.assertTrue(asking["ontime"]["connected"])
            self.assertEqual(asking["block"]["visible"], "ontime")

            # "Verbinden" there stores and connects; Ontime is disconnected.
            stagetimer = session.next("state")
            self.assertTrue(stagetimer["stagetimer"]["connected"], stagetimer["stagetimer"])
            self.assertEqual(stagetimer["stagetimer"]["status"], "Verbunden mit 127.0.0.1:3000")
            self.assertFalse(stagetimer["ontime"]["connected"])
            self.assertEqual(stagetimer["ontime"]["server"], "")
            self.assertEqual(stagetimer["block"]["visible"], "stagetimer")
            self.assertEqual(stagetimer["block"]["caption"], "Stagetimer · Keynote")
            self.assertEqual(stagetimer["block"]["message"], "Noch 5 Minuten")
            self.assertEqual(stagetimer["block"]["status"], "Raum ROOM1234 · läuft")

            # Ontime from the menu disconnects Stagetimer, and the other way round.
            back = session.next("state")
            self.assertTrue(back["ontime"]["connected"])
            self.assertFalse(back["stagetimer"]["connected"])
            self.assertEqual(back["block"]["visible"], "ontime")
            again = session.next("state")
            self.assertTrue(again["stagetimer"]["connected"], "room and key stored: connects at once")
            self.assertFalse(again["ontime"]["connected"])
            self.assertEqual(again["setup"], "none")
            self.assertEqual(again["block"]["visible"], "stagetimer")
            later = session.next("state")
            self.assertLess(seconds(later["block"]["time"]), seconds(again["block"]["time"]))

            internal = session.next("state")
            self.assertEqual(internal["block"]["visible"], "none")
            self.assertEqual(internal["timerSource"], "internal")
            self.assertFalse(internal["stagetimer"]["connected"])
            self.assertEqual(internal["timerCaption"], "Vortragszeit")
            menu = session.next("timer-menu")["items"]
            self.assertFalse(menu[-1]["enabled"], "nothing left to switch off")

            chosen = session.next("state")
            self.assertTrue(chosen["stagetimer"]["connected"])
            self.assertEqual(session.finish(), 0)

        # Restart: the stored Stagetimer choice reconnects at once, without a search.
        with Session(self.xvfb, ["wait 3000", "state", "wait 2000", "state", "quit"], home, {}) as session:
            state = session.next("state")
            self.assertTrue(state["stagetimer"]["connected"])
            self.assertEqual(state["block"]["visible"], "stagetimer")
            self.assertFalse(state["ontime"]["scanning"])
            self.assertEqual(state["ontime"]["status"], "Nicht verbunden")
            # The menu's shortcut, typed on the keyboard, opens the Stagetimer window.
            subprocess.run(["xdotool", "key", "ctrl+alt+s"], env={**os.environ, "DISPLAY": self.xvfb.display},
                           check=True)
            self.assertEqual(session.next("state")["setup"], "stagetimer")
            self.assertEqual(session.finish(), 0)
            self.assertNotIn("sheet", [event.get("event") for event in session.seen])

        for name in ("timer-ontime-running.png", "timer-ontime-paused.png", "timer-ontime-overtime.png",
                     "timer-stagetimer-running.png", "timer-ontime-setup.png", "timer-stagetimer-setup.png"):
            self.keep(name)


    def test_a_failing_link_shows_on_the_console_and_return_keeps_the_setup_window(self):
        # A Stagetimer app of this test's own, which goes away mid-talk.
        app = FakeServer([str(FAKE_STAGETIMER), "--port", "3001"])
        self.addCleanup(lambda: app.process.poll() is None and app.stop())
        control(3001, "/control/timer?state=running&ms=300000&id=T1&name=Keynote")
        settings = {"timerSource": "stagetimer", "stagetimerEnabled": True, "stagetimerRoom": "ROOM1234",
                    "stagetimerKey": "KEY1234", "stagetimerServer": "127.0.0.1:3001"}
        polling = ["wait 150", "state"]
        # The setup window must have the keyboard before Return is typed into it.
        steps = [f"open {SAMPLE_DECK}", *polling * 120, "show-stagetimer-setup", "wait 1500",
                 "setup server 127.0.0.1:9", "key Return", *polling * 120, "quit"]
        home = tempfile.mkdtemp(dir=self.work.name)
        with Session(self.xvfb, steps, home, settings) as session:
            state = session.until(lambda state: state["stagetimer"]["connected"])
            self.assertEqual(state["block"]["message"], "")
            app.stop()
            state = session.until(lambda state: state["block"]["message"] == "Verbindung verloren")
            self.assertEqual(state["block"]["visible"], "stagetimer")
            self.assertEqual(state["block"]["time"], "--:--")

            # Return in a field connects with what was typed, and the window stays open.
            state = session.until(lambda state: state["setup"] == "stagetimer"
                                  and state["block"]["message"] == "nicht erreichbar")
            self.assertIn("Stagetimer:", state["stagetimer"]["status"])
            self.assertEqual(session.finish(), 0)
            self.assertEqual({event["setup"] for event in session.seen[session.seen.index(state):]
                              if event.get("event") == "state"}, {"stagetimer"})

if __name__ == "__main__":
    unittest.main()
