"""Runs the real binary under Xvfb with automation steps, and reads PNG grabs, for the e2e tests."""
import json
import os
import pathlib
import shutil
import subprocess
import tempfile
import time

BINARY = os.environ.get("ORVL_BINARY", "")
SOURCE_DIR = pathlib.Path(os.environ.get("ORVL_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
SAMPLE_DECK = SOURCE_DIR / "resources" / "sample-deck.pdf"


class Xvfb:
    """An X server of its own, optionally split into RandR monitors like a laptop and a projector."""

    def __init__(self, width=3840, height=1080, monitors=(("LAPTOP", 0, 1920), ("BEAMER", 1920, 1920))):
        self.width, self.height, self.monitors = width, height, monitors

    def __enter__(self):
        for number in range(120, 400):
            if not os.path.exists(f"/tmp/.X11-unix/X{number}") and not os.path.exists(f"/tmp/.X{number}-lock"):
                break
        self.display = f":{number}"
        self.process = subprocess.Popen(
            ["Xvfb", self.display, "-screen", "0", f"{self.width}x{self.height}x24", "+extension", "RANDR",
             "-noreset", "-nolisten", "tcp"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while not os.path.exists(f"/tmp/.X11-unix/X{number}"):
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise RuntimeError("Xvfb did not start")
            time.sleep(0.05)
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


def run_steps(xvfb, steps, settings=None, arguments=(), timeout=120):
    """Runs the program with these automation steps; returns (exit code, JSON events, stderr)."""
    with tempfile.TemporaryDirectory() as home:
        script = pathlib.Path(home) / "steps.txt"
        script.write_text("\n".join(steps) + "\n", encoding="utf-8")
        command = [BINARY, "--set", f"automationScript={script}"]
        for key, value in (settings or {}).items():
            command += ["--set", f"{key}={json.dumps(value)}"]
        command += list(arguments)
        environment = {**os.environ, "DISPLAY": xvfb.display, "QT_QPA_PLATFORM": "xcb",
                       "XDG_CONFIG_HOME": home, "XDG_RUNTIME_DIR": home, "HOME": home,
                       "ASAN_OPTIONS": "detect_leaks=0"}
        environment.pop("DBUS_SESSION_BUS_ADDRESS", None)
        result = subprocess.run(command, env=environment, capture_output=True, text=True, timeout=timeout)
    events = []
    for line in result.stdout.splitlines():
        if line.startswith("{"):
            events.append(json.loads(line))
    return result.returncode, events, result.stderr


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
