"""The remote control in the real program: a control desk's HTTP and OSC commands and a phone's
tap move the talk and the projector; without the token nothing moves. Runs only inside an
isolated network namespace (loopback alone)."""
import shutil
import subprocess
import tempfile
import unittest

from orvl_e2e import DisplayTestCase, SAMPLE_DECK, Session
from test_remote import CHROMEDRIVER, CHROMIUM, Remote, http, webdriver
from test_timers import isolated_network

POLLING = ["wait 100", "state"] * 400


class ProgramRemote(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "xdotool")

    def setUp(self):
        super().setUp()
        if not isolated_network():
            self.skipTest("runs only in an isolated network namespace (loopback alone)")

    def test_desk_and_phone_drive_the_talk(self):
        steps = [f"open {SAMPLE_DECK}", "present", "wait 1500", "state", *POLLING, "quit"]
        settings = {"remoteEnabled": True, "remoteInterface": "lo", "remotePort": 9280,
                    "remoteOscPort": 9281}
        with tempfile.TemporaryDirectory() as home, \
                Session(self.xvfb, steps, home, settings=settings) as session:
            state = session.next_state()
            remote = state["remote"]
            self.assertTrue(remote["listening"], remote)
            address = remote["address"]
            base, token = address.split("?")[0], address.split("token=")[1]
            api = base.rstrip("/") + "/api/v1"

            # Without the right token nothing moves.
            self.assertEqual(http(f"{api}/next", "POST")[0], 401)
            self.assertEqual(http(f"{api}/next?token=guess", "POST")[0], 401)
            # The desk's commands, as Companion's generic HTTP module sends them.
            self.assertEqual(http(f"{api}/next", "POST", {"X-Orvello-Token": token})[0], 200)
            state = session.until(lambda s: s["index"] == 1)
            self.assertEqual(http(f"{api}/black?token={token}")[0], 200)
            session.until(lambda s: s["blank"] == "black")
            self.assertEqual(http(f"{api}/show?token={token}")[0], 200)
            session.until(lambda s: s["blank"] == "none")
            self.assertEqual(http(f"{api}/goto/5?token={token}")[0], 200)
            session.until(lambda s: s["index"] == 4)
            # Nothing that opens, writes or quits is there.
            self.assertEqual(http(f"{api}/quit?token={token}", "POST")[0], 404)
            if shutil.which("oscsend"):
                subprocess.run(["oscsend", "localhost", "9281", "/orvello/previous", "s", token],
                               check=True)
                session.until(lambda s: s["index"] == 3)

            # A phone that takes control steps the projector on.
            if CHROMIUM and CHROMEDRIVER and webdriver:
                before = session.until(lambda s: s["audience"]["visible"])["index"]
                phone = Remote.browser(self)
                phone.get(address)
                Remote.wait_for(self, phone, "return document.getElementById('take-control')")
                phone.find_element("id", "take-control").click()
                Remote.wait_for(self, phone, "return document.getElementById('control-text')"
                                             ".textContent === 'Du steuerst'")
                phone.find_element("id", "next-button").click()
                state = session.until(lambda s: s["index"] == before + 1)
                self.assertEqual(state["remote"]["controlling"] != "", True)


if __name__ == "__main__":
    unittest.main()
