"""What the projector shows after F5: its first picture is the exact slide, never a stretched or
blurred one of another size first. The projector's pixels are sampled straight from the X server."""
import ctypes
import ctypes.util
import tempfile
import threading
import time
import unittest

from orvl_e2e import DisplayTestCase, SAMPLE_DECK, Session


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int)]


class ColumnProbe:
    """Reads one full-height pixel column of the projector in a single request (so never half of
    one picture and half of the next), every 2 ms, and keeps each distinct picture in order."""

    def __init__(self, display, x, height):
        self.x, self.height = x, height
        self.xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.xlib.XOpenDisplay.restype = ctypes.c_void_p
        self.xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.xlib.XDefaultRootWindow.restype = ctypes.c_ulong
        self.xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.xlib.XGetImage.restype = ctypes.POINTER(_XImage)
        self.xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                        ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.xlib.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]
        self.xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.connection = self.xlib.XOpenDisplay(display.encode())
        if not self.connection:
            raise unittest.SkipTest("cannot open the X display")
        self.root = self.xlib.XDefaultRootWindow(self.connection)
        self.pictures = []
        self.running = True

    def column(self):
        image = self.xlib.XGetImage(self.connection, self.root, self.x, 0, 1, self.height, 0xFFFFFFFF, 2)
        contents = ctypes.string_at(image.contents.data, image.contents.bytes_per_line * self.height)
        self.xlib.XDestroyImage(image)
        return contents

    def run(self):
        while self.running:
            picture = self.column()
            if not self.pictures or self.pictures[-1] != picture:
                self.pictures.append(picture)
            time.sleep(0.002)
        self.xlib.XCloseDisplay(self.connection)


class Projector(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "xdotool")

    def test_first_picture_after_f5_is_the_exact_slide(self):
        # The pause before quitting lets the probe stop before the window closes, which it would
        # otherwise catch as a black picture after the slide.
        steps = [f"open {SAMPLE_DECK}", "wait 1500", "state", "wait 5000", "state", "wait 1000", "quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            self.assertFalse(session.next_state()["presenting"])
            probe = ColumnProbe(self.xvfb.display, 1920 + 960, 1080)
            sampler = threading.Thread(target=probe.run)
            sampler.start()
            time.sleep(0.2)
            session.type("F5")
            state = session.next_state()
            probe.running = False
            sampler.join()
            self.assertTrue(state["presenting"])
            self.assertTrue(state["audience"]["visible"])
            self.assertEqual(session.finish(), 0)
        # The picture before F5, then the slide alone: nothing in between.
        self.assertEqual(len(probe.pictures), 2, f"{len(probe.pictures) - 1} pictures after F5")
        slide = probe.pictures[-1]
        self.assertGreater(len(set(slide[i:i + 3] for i in range(0, len(slide), 4))), 2,
                           "the projector shows a slide, not a plain colour")


if __name__ == "__main__":
    unittest.main()
