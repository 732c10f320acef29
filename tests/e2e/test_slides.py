"""The deck as its author made it, in the console: a beamer deck whose overlay pages share their
frame's label counts slides and steps, moves a whole slide on Shift, takes typed numbers as its
labels give them, shows a thumbnail per slide and ends its talk at the sidecar's end slide; a
number no slide has goes nowhere; blanking shows on the console; the wheel steps."""
import json
import tempfile
import unittest

from orvl_e2e import DisplayTestCase, Image, Session, write_pdf

# Frame 1; frame 2 in three steps; frame 3; frame 4 in two steps, the last of the talk proper;
# frames 5 and 6 for questions.
LABELS = ["1", "2", "2", "2", "3", "4", "4", "5", "6"]
COLOURS = [(200, 30, 30), (30, 160, 60), (40, 80, 200), (200, 160, 20), (150, 40, 170),
           (20, 160, 170), (230, 110, 20), (110, 110, 110), (90, 60, 30)]

SIDECARS = {
    "json": json.dumps({"pdfpcFormat": 2, "endSlide": 3, "pages": [
        {"idx": 1, "label": "2", "overlay": 0, "note": "Build the argument"},
        {"idx": 8, "label": "6", "overlay": 0, "hidden": True}]}),
    "text": "[end_user_slide]\n4\n[notes]\n### 2\nBuild the argument",
}


def write_deck(path):
    pages = []
    for page, (label, colour) in enumerate(zip(LABELS, COLOURS)):
        step = page - LABELS.index(label) + 1
        fill = b"%g %g %g rg 0 0 400 225 re f" % tuple(channel / 255 for channel in colour)
        text = b"1 g BT /F1 28 Tf 40 100 Td (Folie %s, Schritt %d) Tj ET" % (label.encode(), step)
        pages.append((400, 225, fill + b" " + text, []))
    ranges = b" ".join(b"%d << /P (%s) >>" % (LABELS.index(label), label.encode())
                       for label in dict.fromkeys(LABELS))
    write_pdf(path, pages, catalog=b"/PageLabels << /Nums [%s] >> " % ranges)


def count(image, colour, tolerance=2):
    """How many pixels of the image are within `tolerance` of the colour in every channel."""
    data, found = image.data, 0
    red, green, blue = colour
    for offset in range(0, len(data), 3):
        if (abs(data[offset] - red) <= tolerance and abs(data[offset + 1] - green) <= tolerance
                and abs(data[offset + 2] - blue) <= tolerance):
            found += 1
    return found


class Slides(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "convert")

    def deck(self, sidecar):
        folder = tempfile.mkdtemp(dir=self.work.name)
        write_deck(f"{folder}/talk.pdf")
        with open(f"{folder}/talk.pdfpc", "w", encoding="utf-8") as written:
            written.write(sidecar)
        return f"{folder}/talk.pdf"

    def test_an_overlay_deck_counts_slides_in_either_sidecar(self):
        for generation, sidecar in SIDECARS.items():
            with self.subTest(generation), tempfile.TemporaryDirectory() as home:
                deck = self.deck(sidecar)
                grab = self.path(f"console-{generation}.png")
                steps = [f"open {deck}", "present", "wait 1500", "state", "key Right", "state",
                         "key Shift+Right", "state", "key Shift+Left", "state", "key 4", "key Return",
                         "state", f"grab presenter {grab}", "key Home", "key End", "state",
                         "menu Ansicht > Vorschau zeigt die nächste Seite", "key Home", "state",
                         "goto 8", "state", "quit"]
                with Session(self.xvfb, steps, home) as session:
                    first = session.next_state()
                    self.assertEqual((first["slide"], first["slideCount"], first["step"], first["stepCount"],
                                      first["endSlide"]), (1, 6, 1, 1, 4))
                    self.assertEqual(first["currentLabel"], "Aktuelle Folie  1 / 6")
                    # The next view shows how frame 2 ends.
                    self.assertEqual((first["nextPage"], first["nextLabel"]), (3, "Nächste Folie  2"))
                    self.assertEqual(first["thumbnailCount"], 6)
                    self.assertEqual(first["hiddenThumbnails"], [5] if generation == "json" else [])

                    step = session.next_state()
                    self.assertEqual((step["index"], step["slide"], step["step"], step["stepCount"]), (1, 2, 1, 3))
                    self.assertEqual(step["currentLabel"], "Aktuelle Folie  2 / 6  ·  Schritt 1 / 3")
                    self.assertEqual(step["notes"]["text"], "Build the argument")
                    self.assertEqual(step["selectedThumbnail"], 1)
                    self.assertEqual(session.next_state()["index"], 4, "Shift+Right: the whole frame")
                    self.assertEqual(session.next_state()["index"], 3, "Shift+Left: back to its end")

                    typed = session.next_state()
                    self.assertEqual((typed["index"], typed["slide"], typed["step"]), (5, 4, 1),
                                     "4 is the frame labelled so, at its first step")
                    # The end slide: the backup after it is not the talk's next slide.
                    self.assertEqual((typed["nextPage"], typed["nextLabel"]), (None, "Nächste Folie"))
                    self.assertEqual(session.next_state()["index"], 5, "End: the end slide")
                    paged = session.next_state()
                    self.assertEqual((paged["index"], paged["nextPage"]), (0, 1), "the next page, as chosen")
                    backup = session.next_state()
                    self.assertEqual((backup["index"], backup["hidden"]), (8, generation == "json"))
                    self.assertEqual(session.finish(), 0)
                # The next view says the talk ends there: the backup slides show only as
                # thumbnails, a fraction of the next view's size.
                console = Image(grab)
                self.assertGreater(count(console, COLOURS[5]), 50000, "the end slide is current")
                for backup in COLOURS[7:]:
                    self.assertLess(count(console, backup), 15000, "no backup slide is next")

    def test_missing_numbers_blanking_and_the_wheel(self):
        deck = self.deck(SIDECARS["json"])
        shots = {name: self.path(f"{name}.png") for name in ("shown", "black", "white", "audience")}
        steps = [f"open {deck}", "present", "goto 1", "wait 1500", f"grab presenter {shots['shown']}",
                 "key 9", "key 9", "key Return", "state", "key Left", "state",
                 "goto 1", "key b", "wait 500", f"grab presenter {shots['black']}",
                 f"grab audience {shots['audience']}", "key w", "wait 500", f"grab presenter {shots['white']}",
                 "key w", "wheel currentSlide -120", "state", "wheel nextSlide 120", "state",
                 "wheel currentSlide -40 -40", "state", "wheel currentSlide -40", "state",
                 "wheel notes -120", "wheel thumbnails -360", "state", "quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            missing = session.next_state()
            self.assertEqual((missing["index"], missing["status"], missing["statusColor"]),
                             (1, "Folie 99 gibt es nicht (6 Folien)", "#ff9f0a"))
            after = session.next_state()
            self.assertEqual(after["index"], 0)
            self.assertNotIn("gibt es nicht", after["status"], "said until the next key")
            self.assertEqual([session.next_state()["index"] for _ in range(5)], [2, 1, 1, 2, 2],
                             "a notch a step, small turns adding up; the notes and thumbnails scroll")
            self.assertEqual(session.finish(), 0)

        # Page 1 shows only in the current view (its slide's thumbnail shows how the slide ends):
        # blanked, it is dimmed there; the projector shows nothing but the blank.
        colour = COLOURS[1]
        self.assertGreater(count(Image(shots["shown"]), colour), 50000)
        black, white = Image(shots["black"]), Image(shots["white"])
        self.assertEqual(count(black, colour), 0)
        self.assertGreater(count(black, tuple(round(c * 85 / 255) for c in colour)), 50000)
        self.assertEqual(count(white, colour), 0)
        self.assertGreater(count(white, tuple(round(c + (255 - c) * 170 / 255) for c in colour)), 50000)
        audience = Image(shots["audience"])
        self.assertEqual(count(audience, (0, 0, 0), tolerance=0), audience.width * audience.height)


if __name__ == "__main__":
    unittest.main()
