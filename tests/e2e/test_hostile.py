"""Hostile timer servers end to end: the real binary against a misbehaving Ontime server or
Stagetimer app on loopback (tests/support/hostile_server.py). The program must survive, keep its
memory bounded, show a broken link as broken, render no server text as HTML and never repeat the
Stagetimer API key. Runs only inside an isolated network namespace (loopback alone)."""
import errno
import json
import os
import pathlib
import subprocess
import tempfile
import unittest

from orvl_e2e import DisplayTestCase, PLAIN_BINARY, SAMPLE_DECK, SOURCE_DIR, Session
from test_timers import isolated_network

HOSTILE_SERVER = SOURCE_DIR / "tests" / "support" / "hostile_server.py"
STATE_STEPS = ["wait 500", "state"] * 14
RUNNING = "127.0.0.1 · läuft"
INTERRUPTED = "Verbindung zu 127.0.0.1 unterbrochen …"
# The body limit of a poll is 1 MiB; the kernel's socket buffers may hold a few MiB more.
MOST_BYTES_PER_REQUEST = 16 << 20
# The idle program maps about 0.9 GiB (fonts, the X libraries, the render workers' stacks); an
# endless body read without bound passes 1.5 GiB within seconds.
ADDRESS_SPACE_CAP = 3 << 29


class HostileServer:
    """The hostile server script on a free loopback port; what it served is read at the end."""

    def __init__(self, *arguments):
        self.process = subprocess.Popen(["python3", str(HOSTILE_SERVER), "--lifetime", "90",
                                         *arguments], stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        if not line.startswith("listening"):
            raise RuntimeError(f"the hostile server did not start: {line}")
        self.port = int(line.split()[1])

    def served(self):
        """The requests it served, once it has been stopped."""
        self.process.terminate()
        output = self.process.communicate(timeout=30)[0]
        return [json.loads(line) for line in output.splitlines() if line.startswith("{")]

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.kill()
            self.process.communicate(timeout=30)


class Hostile(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "ip")

    @classmethod
    def setUpClass(cls):
        if not isolated_network():
            raise unittest.SkipTest("runs only in an isolated network namespace (loopback alone)")
        super().setUpClass()

    def run_ontime(self, server, steps):
        """The program with the Ontime link enabled for the server; returns its state events."""
        settings = {"ontimeEnabled": True, "ontimeHost": "127.0.0.1", "ontimePort": server.port}
        home = tempfile.mkdtemp(dir=self.work.name)
        with Session(self.xvfb, [f"open {SAMPLE_DECK}", *steps, "quit"], home, settings) as session:
            states = [session.next_state() for _ in range(steps.count("state"))]
            self.assertEqual(session.finish(), 0, "the program must survive the server")
        return states

    def test_a_broken_server_shows_as_broken(self):
        # After good answers, each of these must end in the broken state, never in a frozen
        # countdown that says it runs.
        for kind in ("500", "garbage", "html", "truncated", "types", "infinite", "absurd", "endless"):
            with self.subTest(kind=kind), \
                    HostileServer("--scenario", "ontime", "--poll", f"good,good,good,good,{kind}") as server:
                states = self.run_ontime(server, STATE_STEPS)
                statuses = [state["block"]["status"] for state in states]
                self.assertIn(RUNNING, statuses, "the good answers show")
                self.assertIn(INTERRUPTED, statuses[statuses.index(RUNNING):])
                # From then on no countdown: the link is shown broken, or reconnecting.
                broken = statuses.index(INTERRUPTED)
                self.assertNotIn(RUNNING, statuses[broken:])
                self.assertEqual({state["block"]["time"] for state in states[broken:]}, {"--:--"})
                self.assertFalse(states[-1]["ontime"]["connected"])
                for request in server.served():
                    self.assertEqual(request["accept"], "identity")
                    self.assertLess(request["sent"], MOST_BYTES_PER_REQUEST,
                                    f"the program stops reading at the body limit: {request}")

    def test_endless_bodies_under_an_address_space_cap(self):
        # Megabyte texts first, then bodies that never end: a read that is not bounded ends the
        # program through a failed allocation under the cap.
        for scenario in ("ontime", "stagetimer"):
            with self.subTest(scenario=scenario), \
                    HostileServer("--scenario", scenario, "--poll", "good,endless", "--long") as server:
                if scenario == "ontime":
                    settings = {"ontimeEnabled": True, "ontimeHost": "127.0.0.1",
                                "ontimePort": server.port}
                else:
                    settings = {"stagetimerEnabled": True, "stagetimerRoom": "ROOM1",
                                "stagetimerKey": "KEY", "stagetimerServer": f"127.0.0.1:{server.port}"}
                steps = [f"open {SAMPLE_DECK}", *(["wait 1000", "state"] * 30), "quit"]
                home = tempfile.mkdtemp(dir=self.work.name)
                with Session(self.xvfb, steps, home, settings, binary=PLAIN_BINARY,
                             prefix=("prlimit", f"--as={ADDRESS_SPACE_CAP}", "--")) as session:
                    states = [session.next_state() for _ in range(30)]
                    self.assertEqual(session.finish(), 0, session.process.stderr.read())
                self.assertFalse(states[-1][scenario]["connected"], states[-1][scenario])
                self.assertGreater(len(server.served()), 3, "the server was polled again and again")

    def test_server_texts_are_plain_and_bounded(self):
        # An image in a text rendered as HTML would be loaded: a FIFO shows whether it is opened.
        probe = pathlib.Path(self.work.name) / "probe"
        os.mkfifo(probe)
        rich = f"<img src='{probe}'>"
        with HostileServer("--scenario", "ontime", "--version", f"4.11.0 {rich}", "--title", rich,
                           "--message", rich, "--long") as server:
            steps = ["wait 3000", "state", "show-ontime-setup", "wait 1500", "state", "wait 500"]
            home = tempfile.mkdtemp(dir=self.work.name)
            settings = {"ontimeEnabled": True, "ontimeHost": "127.0.0.1", "ontimePort": server.port}
            with Session(self.xvfb, [f"open {SAMPLE_DECK}", *steps, "quit"], home, settings) as session:
                block = session.next_state()["block"]
                setup = session.next_state()
                try:
                    os.close(os.open(probe, os.O_WRONLY | os.O_NONBLOCK))
                    self.fail("the program opened an image named in a server's text")
                except OSError as error:
                    self.assertEqual(error.errno, errno.ENXIO, "nobody reads the probe")
                self.assertEqual(session.finish(), 0)
        self.assertEqual(setup["setup"], "ontime")
        self.assertTrue(setup["ontime"]["connected"], setup["ontime"])
        self.assertIn(rich, setup["ontime"]["server"])
        self.assertTrue(block["caption"].startswith("Ontime-Timer · " + rich))
        self.assertLessEqual(len(block["caption"]), len("Ontime-Timer · ") + 200)
        self.assertTrue(block["message"].startswith(rich))
        self.assertLessEqual(len(block["message"]), 500)
        self.assertLessEqual(len(block["secondary"]), 500)

    def test_stagetimer_key_never_repeated_and_stale_texts_cleared(self):
        key = "K3Y-never-shown-4711"
        with HostileServer("--scenario", "stagetimer", "--poll", "good,good,500", "--title", "Keynote",
                           "--message", "Noch 5 Minuten", "--echo-key") as server:
            settings = {"stagetimerEnabled": True, "stagetimerRoom": "ROOM1", "stagetimerKey": key,
                        "stagetimerServer": f"127.0.0.1:{server.port}"}
            steps = [f"open {SAMPLE_DECK}", "wait 3000", "state", "wait 7000", "state",
                     "show-stagetimer-setup", "wait 800", "state", "quit"]
            home = tempfile.mkdtemp(dir=self.work.name)
            with Session(self.xvfb, steps, home, settings) as session:
                connected, lost, setup = (session.next_state() for _ in range(3))
                self.assertEqual(session.finish(), 0)
                output = session.process.stderr.read()
            served = server.served()
        self.assertTrue(connected["stagetimer"]["connected"], connected["stagetimer"])
        self.assertEqual(connected["block"]["message"], "Noch 5 Minuten")
        self.assertFalse(lost["stagetimer"]["connected"])
        # The server's last text is gone; the block says the link is lost instead.
        self.assertEqual(lost["block"]["message"], "Verbindung verloren")
        self.assertEqual(lost["block"]["caption"], "Stagetimer")
        self.assertEqual(setup["setup"], "stagetimer")
        # The server repeats the key in its failure message; the program must not.
        self.assertIn(f"Bearer {key}", [request["authorization"] for request in served])
        for event in session.seen:
            self.assertNotIn(key, json.dumps(event, ensure_ascii=False))
        self.assertNotIn(key, output)


if __name__ == "__main__":
    unittest.main()
