"""Runs the real binary under Xvfb with automation steps, and reads PNG grabs, for the e2e tests."""
import json
import os
import pathlib
import queue
import shutil
import subprocess
import tempfile
import threading
import time
import unittest

BINARY = os.environ.get("ORVL_BINARY", "")
# The same program without sanitizers, for runs under an address-space cap.
PLAIN_BINARY = os.environ.get("ORVL_PLAIN_BINARY", BINARY)
SOURCE_DIR = pathlib.Path(os.environ.get("ORVL_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
SAMPLE_DECK = SOURCE_DIR / "resources" / "sample-deck.pdf"


class Xvfb:
    """An X server of its own, optionally split into RandR monitors like a laptop and a projector."""

    def __init__(self, width=3840, height=1080, monitors=(("LAPTOP", 0, 1920), ("BEAMER", 1920, 1920))):
        self.width, self.height, self.monitors = width, height, monitors

    def __enter__(self):
        # The server picks a free display itself, so tests running side by side never collide.
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{self.width}x{self.height}x24",
             "+extension", "RANDR", "-noreset", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as announced:
            number = announced.readline().strip()
        if not number:
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = f":{number}"
        for index, (name, x, width) in enumerate(self.monitors):
            target = "screen" if index == 0 else "none"
            self.xrandr("--setmonitor", name, f"{width}/508x{self.height}/286+{x}+0", target)
        return self

    def xrandr(self, *arguments):
        subprocess.run(["xrandr", *arguments], env={**os.environ, "DISPLAY": self.display}, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(timeout=10)


class SessionBus:
    """A session bus of the test's own, on a socket in `folder`."""

    def __init__(self, folder):
        self.address = f"unix:path={folder}/bus"

    def __enter__(self):
        self.process = subprocess.Popen(["dbus-daemon", "--session", f"--address={self.address}", "--nofork",
                                         "--print-address=1"],
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        # The address is printed once the bus listens.
        if not self.process.stdout.readline():
            raise RuntimeError("dbus-daemon did not start")
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stdout.close()


def private_environment(home, bus=None):
    """A private home and preferences store, and a session bus of the test's own or none: the
    address of nothing, so that no bus is found or started and two programs never hand over to
    each other unless a test means them to."""
    return {**os.environ, "XDG_CONFIG_HOME": home, "XDG_RUNTIME_DIR": home, "HOME": home,
            "ASAN_OPTIONS": "detect_leaks=0",
            "DBUS_SESSION_BUS_ADDRESS": bus or f"unix:path={home}/no-session-bus"}


def program_environment(xvfb, home, bus=None):
    """The X server, a private home, and no session bus unless `bus` names one."""
    return {**private_environment(home, bus), "DISPLAY": xvfb.display, "QT_QPA_PLATFORM": "xcb"}


def wayland_environment(runtime, display, home):
    """A Wayland compositor's socket in `runtime`, no X server, a private home, no session bus,
    and a log of the Wayland requests on standard error."""
    environment = {**private_environment(home), "QT_QPA_PLATFORM": "wayland", "WAYLAND_DISPLAY": display,
                   "XDG_RUNTIME_DIR": str(runtime), "WAYLAND_DEBUG": "client"}
    environment.pop("DISPLAY", None)
    return environment


def program_command(script, settings, binary=None):
    command = [binary or BINARY, "--set", f"automationScript={script}"]
    for key, value in settings.items():
        command += ["--set", f"{key}={json.dumps(value)}"]
    return command


class Session:
    """The program running a script in the background (German texts unless told otherwise),
    its events read as they arrive, so a test can act between them."""

    def __init__(self, xvfb, steps, home, settings=None, environment=None, stderr=None, binary=None,
                 prefix=()):
        """`environment` replaces the X server's (a Wayland compositor's, say); `stderr` is a file
        for what the program writes there, for logs too long for a pipe; `binary` replaces the
        program, and `prefix` is a command that runs it (prlimit, say)."""
        script = pathlib.Path(home) / "steps.txt"
        script.write_text("\n".join(steps) + "\n", encoding="utf-8")
        self.environment = environment or program_environment(xvfb, home)
        command = program_command(script, {"appLanguage": "de", **(settings or {})}, binary)
        self.process = subprocess.Popen([*prefix, *command],
                                        env=self.environment, stdout=subprocess.PIPE,
                                        stderr=stderr or subprocess.PIPE, text=True)
        self.events = queue.Queue()
        self.seen = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            if line.startswith("{"):
                self.events.put(json.loads(line))
        self.events.put(None)

    def next(self, kind, timeout=60):
        """The next event of this kind; automation errors and an early end fail the test."""
        deadline = time.monotonic() + timeout
        while True:
            event = self.events.get(timeout=max(0.1, deadline - time.monotonic()))
            if event is None:
                errors = self.process.stderr.read() if self.process.stderr else ""
                raise AssertionError(f"the program ended early ({self.process.wait()}): {errors}")
            self.seen.append(event)
            if event.get("event") == "error":
                raise AssertionError(f"automation error: {event}")
            if event.get("event") == kind:
                return event

    def next_state(self, timeout=60):
        return self.next("state", timeout)

    def until(self, condition, timeout=30):
        """The first state that meets the condition, reading the states as they come."""
        start = time.monotonic()
        while time.monotonic() - start < timeout:
            state = self.next_state()
            if condition(state):
                return state
        raise AssertionError("the condition was not met in time")

    def type(self, *keys):
        """Types through the X server, like a keyboard or a presenter remote."""
        subprocess.run(["xdotool", "key", "--delay", "60", *keys], env=self.environment, check=True)

    def finish(self):
        """Waits for the program to end and returns its exit status."""
        code = self.process.wait(timeout=60)
        while (event := self.events.get(timeout=10)) is not None:
            self.seen.append(event)
        return code

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(timeout=30)
        self.process.stdout.close()
        if self.process.stderr:
            self.process.stderr.close()


def run_steps(xvfb, steps, settings=None, arguments=(), timeout=120):
    """Runs the program with these automation steps; returns (exit code, JSON events, stderr)."""
    with tempfile.TemporaryDirectory() as home:
        script = pathlib.Path(home) / "steps.txt"
        script.write_text("\n".join(steps) + "\n", encoding="utf-8")
        command = program_command(script, settings or {}) + list(arguments)
        result = subprocess.run(command, env=program_environment(xvfb, home), capture_output=True, text=True, timeout=timeout)
    events = []
    for line in result.stdout.splitlines():
        if line.startswith("{"):
            events.append(json.loads(line))
    return result.returncode, events, result.stderr


def write_objects(path, objects):
    """A PDF of these objects, numbered from 1; the first is the catalog."""
    body = b"%PDF-1.7\n"
    offsets = []
    for number, text in enumerate(objects, start=1):
        offsets.append(len(body))
        body += b"%d 0 obj\n%s\nendobj\n" % (number, text)
    xref = len(body)
    body += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    body += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
    body += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    with open(path, "wb") as pdf:
        pdf.write(body)


def write_pdf(path, pages, catalog=b""):
    """A PDF of pages given as (width, height, content, annotations): content operators (font F1
    is Helvetica), and annotation dictionaries whose "APPEARANCE" stands for a red square form;
    `catalog` adds entries to the document catalog (page labels, say)."""
    objects = [b"<< /Type /Catalog /Pages 2 0 R %s>>" % catalog, None]
    square = b"1 0 0 rg 0 0 50 50 re f"
    objects.append(b"<< /Type /XObject /Subtype /Form /BBox [0 0 50 50] /Length %d >>\nstream\n%s\nendstream"
                   % (len(square), square))
    appearance = b"/AP << /N 3 0 R >>"
    kids = []
    for width, height, content, annotations in pages:
        annotation_numbers = []
        for annotation in annotations:
            objects.append(annotation.replace(b"APPEARANCE", appearance))
            annotation_numbers.append(len(objects))
        objects.append(b"<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content))
        content_number = len(objects)
        annots = b" ".join(b"%d 0 R" % n for n in annotation_numbers)
        objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %g %g] /Contents %d 0 R /Annots [%s] "
                       b"/Resources << /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >> >>"
                       % (width, height, content_number, annots))
        kids.append(len(objects))
    objects[1] = b"<< /Type /Pages /Kids [%s] /Count %d >>" % (b" ".join(b"%d 0 R" % k for k in kids), len(kids))
    write_objects(path, objects)


class Image:
    """Raw RGB pixels of an image file, read through ImageMagick."""

    def __init__(self, path):
        size = subprocess.run(["identify", "-format", "%w %h", str(path)], capture_output=True, text=True,
                              check=True).stdout.split()
        self.width, self.height = int(size[0]), int(size[1])
        self.data = subprocess.run(["convert", str(path), "-depth", "8", "rgb:-"], capture_output=True,
                                   check=True).stdout

    def pixel(self, x, y):
        offset = 3 * (y * self.width + x)
        return tuple(self.data[offset:offset + 3])

    def crop_difference(self, other, x, y):
        """Mean absolute channel difference between `other` and the area of this image at (x, y)."""
        total = 0
        for row in range(other.height):
            mine = self.data[3 * ((y + row) * self.width + x):3 * ((y + row) * self.width + x + other.width)]
            theirs = other.data[3 * row * other.width:3 * (row + 1) * other.width]
            total += sum(abs(a - b) for a, b in zip(mine, theirs))
        return total / (3 * other.width * other.height)


def have_tools(*names):
    return all(shutil.which(name) for name in names)


class DisplayTestCase(unittest.TestCase):
    """An X server with a laptop and a projector monitor, shared by the class or one per test,
    and a work folder. Subclasses name the programs they need in `required_tools`."""

    required_tools = ("Xvfb", "xrandr", "convert")
    display_per_test = False

    @classmethod
    def setUpClass(cls):
        missing = [name for name in cls.required_tools if not shutil.which(name)]
        if missing:
            raise unittest.SkipTest("needs " + ", ".join(missing))
        cls.work = tempfile.TemporaryDirectory()
        if not cls.display_per_test:
            cls.xvfb = Xvfb().__enter__()

    @classmethod
    def tearDownClass(cls):
        if not cls.display_per_test:
            cls.xvfb.__exit__(None, None, None)
        cls.work.cleanup()

    def setUp(self):
        if self.display_per_test:
            self.xvfb = Xvfb().__enter__()
            self.addCleanup(self.xvfb.__exit__, None, None, None)

    def path(self, name):
        return pathlib.Path(self.work.name) / name
