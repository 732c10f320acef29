"""The remote control end to end: the phone page in headless Chromium and the control desk's HTTP
and OSC commands, against the remote control in a scripted test host (tests/remote/
remote_test_host.cpp) on loopback. The host prints every command it receives as a JSON line.
Runs only inside an isolated network namespace (loopback alone)."""
import json
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.error
import urllib.request

from test_timers import isolated_network

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
except ImportError:
    # Debian's python3-selenium is pure Python: another Python 3 first on the PATH (a pyenv, say)
    # can use it from Debian's folder.
    sys.path.append("/usr/lib/python3/dist-packages")
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        webdriver = None

HOST = os.environ.get("ORVL_REMOTE_HOST", "")
CHROMIUM = shutil.which("chromium") or ""
CHROMEDRIVER = shutil.which("chromedriver") or ""
# How long a line, a page element or a command may take to appear before the test gives up.
PATIENCE = 20


class RemoteHost:
    """The test host on loopback; its status and command lines are read as they come."""

    def __init__(self):
        self.process = subprocess.Popen([HOST, "--interface", "lo", "--lifetime", "240"],
                                        stdout=subprocess.PIPE, text=True,
                                        env={**os.environ, "ASAN_OPTIONS": "detect_leaks=0"})
        self.lines = queue.Queue()
        threading.Thread(target=self.read, daemon=True).start()
        self.status = self.next_line(lambda line: line["event"] == "status")
        self.address = self.status["address"]
        self.token = self.address.split("token=")[1]
        self.base = self.address.split("?")[0]

    def read(self):
        for line in self.process.stdout:
            self.lines.put(json.loads(line))

    def next_line(self, wanted):
        deadline = time.monotonic() + PATIENCE
        while time.monotonic() < deadline:
            try:
                line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                break
            if wanted(line):
                return line
        raise AssertionError("the host printed no such line")

    def next_command(self):
        return self.next_line(lambda line: line["event"] == "command")

    def commands_so_far(self):
        """The commands printed until now, waiting a moment for stragglers."""
        time.sleep(0.5)
        found = []
        while not self.lines.empty():
            line = self.lines.get()
            if line["event"] == "command":
                found.append(line)
        return found

    def close(self):
        self.process.terminate()
        self.process.wait(timeout=30)


def http(url, method="GET", headers=None):
    request = urllib.request.Request(url, method=method, headers=headers or {})
    try:
        with urllib.request.urlopen(request, timeout=PATIENCE) as answer:
            return answer.status, answer.read()
    except urllib.error.HTTPError as error:
        return error.code, error.read()


class Remote(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not isolated_network():
            raise unittest.SkipTest("runs only in an isolated network namespace (loopback alone)")
        if not HOST:
            raise unittest.SkipTest("ORVL_REMOTE_HOST names no test host")

    def setUp(self):
        self.host = RemoteHost()
        self.addCleanup(self.host.close)

    def browser(self):
        """Headless Chromium as a phone: a narrow window at twice the pixel density."""
        if not (CHROMIUM and CHROMEDRIVER and webdriver):
            self.skipTest("chromium, chromium-driver and python3-selenium are needed")
        profile = tempfile.mkdtemp(prefix="orvl-chromium-")
        self.addCleanup(shutil.rmtree, profile, ignore_errors=True)
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                         "--disable-background-networking", "--disable-component-update",
                         "--disable-sync", "--no-first-run", f"--user-data-dir={profile}",
                         "--window-size=412,915", "--force-device-scale-factor=2"):
            options.add_argument(argument)
        driver = webdriver.Chrome(service=Service(executable_path=CHROMEDRIVER), options=options)
        self.addCleanup(driver.quit)
        return driver

    def wait_for(self, driver, script):
        """Waits until the script returns something true, and returns it."""
        deadline = time.monotonic() + PATIENCE
        while time.monotonic() < deadline:
            result = driver.execute_script(script)
            if result:
                return result
            time.sleep(0.05)
        self.fail(f"never true: {script}")

    def text(self, driver, element):
        return driver.execute_script(f"return document.getElementById('{element}').textContent")

    def test_the_phone_page_shows_the_slide_and_controls_the_talk(self):
        driver = self.browser()
        driver.get(self.host.address)
        self.wait_for(driver, "return document.getElementById('notes').textContent"
                              ".includes('Notizen zu Folie 1')")
        # The notes as HTML, and the slide's picture at the phone's own pixel size.
        self.assertEqual(driver.execute_script(
            "return document.querySelector('#notes b').textContent"), "Folie 1")
        picture = self.wait_for(driver, """
            const image = document.getElementById('current-image');
            if (!image.complete || image.naturalWidth === 0) return null;
            return [image.naturalWidth, image.naturalHeight,
                    image.parentElement.clientWidth * window.devicePixelRatio];""")
        self.assertEqual(picture[0], round(picture[2]))
        self.assertEqual(picture[1], round(picture[0] * 9 / 16))
        self.assertEqual(self.text(driver, "position"), "Folie 1 von 5")
        self.assertEqual(self.text(driver, "timer"), "00:00")
        self.assertEqual(driver.execute_script(
            "return document.getElementById('timer').className"), "pace-green")

        # Watching only until the phone asks to control; then it shows in the host's status.
        driver.find_element("id", "next-button").click()
        self.assertEqual(self.host.commands_so_far(), [])
        driver.find_element("id", "take-control").click()
        self.wait_for(driver, "return document.getElementById('control-text').textContent"
                              " === 'Du steuerst'")
        status = self.host.next_line(lambda line: line["event"] == "status" and line["controlling"])
        self.assertTrue(status["controlling"].startswith("127.0.0.1 · "))

        driver.find_element("id", "next-button").click()
        self.assertEqual(self.host.next_command()["command"], "next")
        self.wait_for(driver, "return document.getElementById('position').textContent"
                              " === 'Folie 2 von 5'")
        self.wait_for(driver, "return document.getElementById('notes').textContent"
                              ".includes('Folie 2')")

        # A swipe to the right goes back.
        driver.execute_script("""
            const area = document.querySelector('main');
            const touch = (x) => new Touch({identifier: 1, target: area, clientX: x, clientY: 300});
            area.dispatchEvent(new TouchEvent('touchstart', {touches: [touch(50)],
                                                            changedTouches: [touch(50)]}));
            area.dispatchEvent(new TouchEvent('touchend', {touches: [],
                                                          changedTouches: [touch(300)]}));""")
        self.assertEqual(self.host.next_command()["command"], "previous")

        # A typed slide number, and black on, then off again with the same button.
        driver.find_element("id", "slide-number").send_keys("4")
        driver.find_element("id", "go").click()
        command = self.host.next_command()
        self.assertEqual((command["command"], command["slideIndex"]), ("goto", 3))
        driver.find_element("id", "black").click()
        self.assertEqual(self.host.next_command()["command"], "black")
        self.wait_for(driver, "return document.getElementById('black').textContent"
                              " === 'Bild zeigen'")
        driver.find_element("id", "black").click()
        self.assertEqual(self.host.next_command()["command"], "show")
        driver.save_screenshot(os.path.join(tempfile.gettempdir(), "orvl-remote-phone.png"))

    def test_without_the_token_the_page_gets_nothing(self):
        driver = self.browser()
        for address in (self.host.base, self.host.base + "?token=guess"):
            driver.get(address)
            self.assertIn('"error":"token"', driver.page_source)
            self.assertEqual(driver.execute_script("return document.querySelectorAll('button').length"), 0)
        self.assertEqual(self.host.commands_so_far(), [])

    def test_control_desk_commands_over_http_and_osc(self):
        base, token = self.host.base, self.host.token
        status, body = http(f"{base}api/v1/next?token={token}")
        self.assertEqual((status, json.loads(body)), (200, {"ok": True}))
        self.assertEqual(self.host.next_command()["command"], "next")
        status, _ = http(f"{base}api/v1/goto/3", "POST", {"Authorization": f"Bearer {token}"})
        self.assertEqual(status, 200)
        self.assertEqual(self.host.next_command()["slideIndex"], 2)
        status, body = http(f"{base}api/v1/state", headers={"X-Orvello-Token": token})
        self.assertEqual(status, 200)
        self.assertEqual(json.loads(body)["slide"], 3)

        port = str(self.host.status["oscPort"])
        subprocess.run(["oscsend", "127.0.0.1", port, "/orvello/white", "s", token], check=True)
        self.assertEqual(self.host.next_command()["command"], "white")
        subprocess.run(["oscsend", "127.0.0.1", port, "/orvello/goto", "si", token, "5"], check=True)
        self.assertEqual(self.host.next_command()["slideIndex"], 4)

        # Everything else is refused and changes nothing.
        for path in ("api/v1/quit", "api/v1/open", "api/v1/goto/99", "api/v1/settings"):
            self.assertIn(http(f"{base}{path}?token={token}")[0], (400, 404), path)
        self.assertEqual(http(f"{base}api/v1/next")[0], 401)
        self.assertEqual(http(f"{base}api/v1/next?token={token}", "PUT")[0], 405)
        subprocess.run(["oscsend", "127.0.0.1", port, "/orvello/next", "s", "guess"], check=True)
        subprocess.run(["oscsend", "127.0.0.1", port, "/orvello/next"], check=True)
        self.assertEqual(self.host.commands_so_far(), [])


if __name__ == "__main__":
    unittest.main()
