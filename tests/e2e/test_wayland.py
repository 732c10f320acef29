"""The audience window under Wayland compositors with two outputs (weston headless, with a module
that unplugs and replugs the second; mutter headless with two virtual monitors): F5, a move to the
other output and back, unplug and replug, checked in what the program asked the compositor for, not
only in its own state."""
import os
import pathlib
import re
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from orvl_e2e import SAMPLE_DECK, Session, SessionBus, have_tools, wayland_environment

HERE = pathlib.Path(__file__).resolve().parent
WESTON_INI = """[core]
shell=desktop-shell.so
idle-time=0
[shell]
panel-position=none
locking=false
[output]
name=headless
mode=1280x800
[output]
name=headless2
mode=1920x1080
"""


def pkg_config(*arguments):
    return subprocess.run(["pkg-config", *arguments], capture_output=True, text=True)


class Weston:
    """weston 10, headless: output "headless" 1280x800 and "headless2" 1920x1080 beside it;
    unplug() and replug() toggle the second (SIGUSR1 to the hot-plug module)."""

    def __init__(self, work):
        self.work = pathlib.Path(work)

    def __enter__(self):
        module = self.work / "hotplug.so"
        flags = pkg_config("--cflags", "--libs", "libweston-10", "wayland-server").stdout.split()
        subprocess.run(["cc", "-shared", "-fPIC", "-o", str(module), str(HERE / "weston-hotplug.c"),
                        *flags], check=True)
        (self.work / "weston.ini").write_text(WESTON_INI)
        self.runtime = self.work / "runtime"
        self.runtime.mkdir(mode=0o700)
        self.process = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", "--use-pixman", "-c", str(self.work / "weston.ini"),
             "--socket=wl-orvl", f"--modules={module}", f"--log={self.work / 'weston.log'}"],
            env={**os.environ, "XDG_RUNTIME_DIR": str(self.runtime)},
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        socket = self.runtime / "wl-orvl"
        while not socket.exists():
            if self.process.poll() is not None:
                raise RuntimeError("weston did not start: " + (self.work / "weston.log").read_text())
            time.sleep(0.05)
        return self

    def environment(self, home):
        return wayland_environment(self.runtime, "wl-orvl", home)

    def toggle_second_output(self):
        self.process.send_signal(signal.SIGUSR1)

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(timeout=10)


# Debian's python3-gi serves the system interpreter, which need not be the one running the tests.
GI_PYTHON = next((python for python in (sys.executable, "/usr/bin/python3")
                  if subprocess.run([python, "-c", "import gi"], capture_output=True).returncode == 0), None)
RIGHT, F5 = "0xff53", "0xffc2"


class Mutter:
    """GNOME's compositor, headless, with virtual monitors of 1280x800 and 1920x1080 that it lays
    out and names itself, on a session bus of its own (the program is given none)."""

    def __init__(self, work):
        self.work = pathlib.Path(work)

    def __enter__(self):
        self.runtime = self.work / "runtime"
        self.runtime.mkdir(mode=0o700)
        self.bus = SessionBus(self.work).__enter__()
        self.log = open(self.work / "mutter.log", "w")
        self.process = subprocess.Popen(
            ["mutter", "--headless", "--wayland", "--no-x11", "--wayland-display", "wl-orvl",
             "--virtual-monitor", "1280x800", "--virtual-monitor", "1920x1080"],
            env={**os.environ, "XDG_RUNTIME_DIR": str(self.runtime), "DBUS_SESSION_BUS_ADDRESS": self.bus.address},
            stdout=self.log, stderr=subprocess.STDOUT)
        socket = self.runtime / "wl-orvl"
        while not socket.exists():
            if self.process.poll() is not None:
                raise RuntimeError("mutter did not start: " + (self.work / "mutter.log").read_text())
            time.sleep(0.05)
        return self

    def environment(self, home):
        return wayland_environment(self.runtime, "wl-orvl", home)

    def keyboard(self, *keysyms):
        """Types the keys on a virtual keyboard, which stays until the returned process ends."""
        typing = subprocess.Popen([GI_PYTHON, str(HERE / "mutter_keys.py"), self.bus.address, *keysyms],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        if typing.stdout.readline() != "typed\n":
            raise RuntimeError("mutter took no keys")
        return typing

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.log.close()
        self.bus.__exit__(*exc)


def fullscreen_requests(log):
    """For each full-screen window mapped, the output name its set_fullscreen asked for, with
    wl_output@K named through zxdg_output_v1.name (object ids are reused, so the names are read as
    the log goes)."""
    xdg_of_output, name_of_output, asked, answered = {}, {}, [], set()
    for line in log.splitlines():
        if m := re.search(r"get_toplevel\(new id xdg_toplevel@(\d+)\)", line):
            answered.discard(m[1])
        elif m := re.search(r"get_xdg_output\(new id zxdg_output_v1@(\d+), wl_output@(\d+)\)", line):
            xdg_of_output[m[1]] = m[2]
        elif m := re.search(r"zxdg_output_v1@(\d+)\.name\(\"([^\"]*)\"\)", line):
            name_of_output[xdg_of_output.get(m[1])] = m[2]
        elif m := re.search(r"-> xdg_toplevel@(\d+)\.set_fullscreen\(wl_output@(\d+)\)", line):
            # Qt asks twice per window (window state, then the show); the first one counts.
            if m[1] not in answered:
                answered.add(m[1])
                asked.append(name_of_output.get(m[2], "?"))
    return asked


@unittest.skipUnless(have_tools("weston", "cc", "pkg-config") and pkg_config("--exists", "libweston-10").returncode == 0,
                     "needs weston and libweston-10-dev")
class Wayland(unittest.TestCase):
    def test_audience_follows_the_chosen_output_and_the_plug(self):
        polling = ["wait 100", "state", "screens"] * 300
        steps = [f"open {SAMPLE_DECK}", "present", "wait 1000", "state", "screens",
                 # The console's own output (1280x800), then the larger one again: the direction
                 # in which a resized visible window is a protocol error.
                 "choose-screen 1", "wait 1000", "state", "choose-screen 2", "wait 1000", "state",
                 "choose-screen 0", *polling, "quit"]
        with tempfile.TemporaryDirectory() as work, Weston(work) as weston:
            home = pathlib.Path(work) / "home"
            home.mkdir()
            log_path = pathlib.Path(work) / "client.log"
            with open(log_path, "w") as log, \
                    Session(None, steps, str(home), environment=weston.environment(str(home)), stderr=log) as running:
                state = running.next("state")
                screens = running.next("screens")
                self.assertEqual(screens["popup"], [
                    "Automatisch (zweiter Bildschirm)", "headless · 1280×800 – Vollbild auf diesem Bildschirm",
                    "headless2 · 1920×1080", "Testfenster (kein Vollbild)"])
                self.assertEqual(state["presenterScreen"], "headless")
                self.assertEqual(state["audience"]["screen"], "headless2")
                self.assertTrue(state["audience"]["visible"])
                self.assertEqual(running.next("state")["audience"]["screen"], "headless")
                self.assertEqual(running.next("state")["audience"]["screen"], "headless2")

                weston.toggle_second_output()
                state = running.until(lambda s: not s["audience"]["visible"])
                self.assertTrue(state["presenting"])
                self.assertIn("Ausgabe getrennt", state["status"])
                unplugged = fullscreen_requests(log_path.read_text())

                weston.toggle_second_output()
                # Shown, then on screen once the compositor has configured it: the status line
                # clears.
                state = running.until(lambda s: s["audience"]["visible"] and s["status"] == "")
                self.assertEqual(state["audience"]["screen"], "headless2")
            client_log = log_path.read_text()
            self.assertNotIn("wl_display@1.error", client_log)
            asked = fullscreen_requests(client_log)
            # Nothing covered the console while the projector was away.
            self.assertEqual(unplugged, ["headless2", "headless", "headless2"])
            self.assertEqual(asked, ["headless2", "headless", "headless2", "headless2"])


def activated(log):
    """Whether the program asked for the focus with a token tied to a key press."""
    return bool(re.search(r"xdg_activation_token_v1@\d+\.set_serial\(", log)
                and re.search(r"-> xdg_activation_v1@\d+\.activate\(", log))


def keyboard_focus(log):
    """The windows the compositor gave the keyboard to, in order, as the program was told
    (wl_keyboard.enter), each named by its title's start: "console" or "audience"."""
    surface_of, toplevel_of, title_of, entered = {}, {}, {}, []
    for line in log.splitlines():
        if m := re.search(r"get_xdg_surface\(new id xdg_surface@(\d+), wl_surface@(\d+)\)", line):
            surface_of[m[1]] = m[2]
        elif m := re.search(r"xdg_surface@(\d+)\.get_toplevel\(new id xdg_toplevel@(\d+)\)", line):
            toplevel_of[m[2]] = surface_of.get(m[1])
        elif m := re.search(r"xdg_toplevel@(\d+)\.set_title\(\"([^\"]*)\"\)", line):
            title_of[toplevel_of.get(m[1])] = m[2]
        elif m := re.search(r"wl_keyboard@\d+\.enter\(\d+, wl_surface@(\d+)", line):
            title = title_of.get(m[1], "")
            entered.append("audience" if title.startswith("Talvane Orvello – Publikum") else "console")
    return entered


def without_repeats(names):
    return [name for index, name in enumerate(names) if index == 0 or name != names[index - 1]]


@unittest.skipUnless(have_tools("mutter", "dbus-daemon") and GI_PYTHON, "needs mutter and python3-gi")
class GnomeWayland(unittest.TestCase):
    def test_audience_on_the_other_output_and_moved_there_and_back(self):
        settle = ["wait 100", "state"] * 40
        # F5 is typed once mutter has put the console on an output (Qt learns which only then);
        # items 1 and 2 are the two outputs, one of them the console's; 0 is the automatic choice.
        steps = [f"open {SAMPLE_DECK}", *settle * 3, "choose-screen 1", *settle,
                 "choose-screen 2", *settle, "choose-screen 0", *settle, "screens", "quit"]
        with tempfile.TemporaryDirectory() as work, Mutter(work) as mutter:
            home = pathlib.Path(work) / "home"
            home.mkdir()
            log_path = pathlib.Path(work) / "client.log"
            with open(log_path, "w") as log, \
                    Session(None, steps, str(home), environment=mutter.environment(str(home)), stderr=log) as running:
                running.until(lambda s: s["focus"] == "presenter" and s["presenterScreen"])
                with mutter.keyboard(RIGHT, F5) as keyboard:
                    # mutter gives the keyboard to the audience window when it is shown; the
                    # console takes it back through xdg_activation, with a token the compositor
                    # accepts. What counts is where the compositor sends the keys.
                    state = running.until(lambda s: s["presenting"] and s["audience"]["visible"]
                                          and activated(log_path.read_text())
                                          and keyboard_focus(log_path.read_text())[-1:] == ["console"])
                    keyboard.stdin.close()
                self.assertEqual(keyboard_focus(log_path.read_text())[0], "console")
                self.assertNotEqual(state["audience"]["screen"], state["presenterScreen"])
                console, other = state["presenterScreen"], state["audience"]["screen"]
                names = sorted([console, other])
                for chosen in (names[0], names[1], other):
                    state = running.until(lambda s: s["audience"]["visible"] and s["audience"]["screen"] == chosen)
                    self.assertEqual(state["presenterScreen"], console)
                self.assertEqual(running.finish(), 0)
            screens = next(event for event in running.seen if event.get("event") == "screens")
            # Both virtual monitors report one model: the chooser names them by connector and size.
            self.assertEqual([item.split(" · ")[0] for item in screens["popup"][1:3]],
                             [screen["name"] for screen in screens["screens"]])
            self.assertEqual([item.endswith("– Vollbild auf diesem Bildschirm") for item in screens["popup"][1:3]],
                             [screen["name"] == console for screen in screens["screens"]])
            client_log = log_path.read_text()
            self.assertNotIn("wl_display@1.error", client_log)
            # A window put back on its own output asks for that output again.
            self.assertEqual(without_repeats(fullscreen_requests(client_log)), without_repeats([other, *names, other]))


if __name__ == "__main__":
    unittest.main()
