"""Moving through a deck as its author meant: links clicked with real mouse events on the
projector, refused links, the way back, the overview and transitions on the projector."""
import subprocess
import tempfile
import unittest

from orvl_e2e import (SOURCE_DIR, DisplayTestCase, Image, Session, Xvfb, program_environment,
                      write_objects)


def write_pdf(path, pages, catalog=b""):
    """A PDF of 400 x 225 pages given as (fill colour "r g b", page entries, annotations); an
    annotation may name page N's object as PAGE<N>."""
    count = len(pages)
    page_numbers = [3 + 2 * i for i in range(count)]
    objects = [b"<< /Type /Catalog /Pages 2 0 R %s >>" % catalog,
               b"<< /Type /Pages /Kids [%s] /Count %d >>"
               % (b" ".join(b"%d 0 R" % n for n in page_numbers), count)]
    annotations = []
    for colour, entries, links in pages:
        first = 3 + 2 * count + len(annotations)
        annots = b" ".join(b"%d 0 R" % (first + i) for i in range(len(links)))
        annotations += links
        content = b"%s rg 0 0 400 225 re f" % colour
        objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 225] /Contents %d 0 R "
                       b"/Annots [%s] %s >>" % (len(objects) + 2, annots, entries))
        objects.append(b"<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content))
    for annotation in annotations:
        for index, number in enumerate(page_numbers):
            annotation = annotation.replace(b"PAGE%d" % index, b"%d 0 R" % number)
        objects.append(annotation)
    write_objects(path, objects)


def link(rect, action):
    return b"<< /Type /Annot /Subtype /Link /Rect [%s] %s >>" % (rect, action)


class Navigation(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "xdotool")

    def click(self, session, view, link):
        """A real click in the middle of a link's rectangle on a view, through the X server."""
        x, y, width, height = view
        left, top, w, h = link["rect"]
        point = (round(x + (left + w / 2) * width), round(y + (top + h / 2) * height))
        subprocess.run(["xdotool", "mousemove", str(point[0]), str(point[1]), "click", "1"],
                       env=session.environment, check=True)

    def test_links_on_the_projector(self):
        deck = self.path("links.pdf")
        write_pdf(deck, [
            (b"1 0 0", b"", [link(b"0 0 200 225", b"/Dest [PAGE2 /Fit]"),
                             link(b"200 0 400 225", b"/A << /S /Launch /F (/usr/bin/xterm) >>")]),
            (b"0 1 0", b"", []),
            (b"0 0 1", b"", [link(b"0 0 400 225", b"/A << /S /Named /N /GoBack >>")]),
        ])
        steps = [f"open {deck}", "present", "wait 2000", "state", "wait 2500", "state", "wait 2500",
                 "state", "wait 2500", "state", "wait 2500", "state", "quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            first = session.next_state()
            self.assertEqual(first["index"], 0)
            kinds = [entry["kind"] for entry in first["links"]]
            self.assertEqual(kinds, ["page", "launch"])
            self.assertEqual(first["links"][0]["target"], 2)
            self.assertEqual(first["links"][0]["rect"], [0, 0, 0.5, 1])
            audience = first["views"]["audience"]
            self.assertGreaterEqual(audience[0], 1920)
            self.click(session, audience, first["links"][1])
            refused = session.next_state()
            self.assertEqual(refused["index"], 0, "a launch link changes nothing")
            self.assertEqual(refused["status"], "Link nicht gefolgt: er würde ein Programm oder "
                                                "eine Datei öffnen (/usr/bin/xterm)")
            self.click(session, audience, first["links"][0])
            jumped = session.next_state()
            self.assertEqual(jumped["index"], 2)
            self.assertEqual(jumped["links"][0]["target"], "back")
            session.type("alt+Left")
            back = session.next_state()
            self.assertEqual(back["index"], 0)
            session.type("alt+Right")
            self.assertEqual(session.next_state()["index"], 2, "forward again to the link's page")
            self.assertEqual(session.finish(), 0)

    def test_a_beamer_decks_contents_and_return_buttons(self):
        """A deck as LaTeX beamer writes it (tests/data/document): its table of contents and its
        return button clicked on the projector, and Alt+Left back after the button; on full-HD
        monitors and on 4K ones at twice the scale, where the slide's screen rectangle in the
        state must still be in the screen's pixels."""
        self.beamer_links(self.xvfb, None, 1)
        with Xvfb(7680, 2160, (("LAPTOP", 0, 3840), ("BEAMER", 3840, 3840))) as xvfb, \
                tempfile.TemporaryDirectory() as home:
            self.beamer_links(xvfb, {**program_environment(xvfb, home), "QT_SCALE_FACTOR": "2"}, 2)

    def beamer_links(self, xvfb, environment, scale):
        deck = SOURCE_DIR / "tests" / "data" / "document" / "beamer-navigation.pdf"
        steps = [f"open {deck}", "present", "wait 2000", "state", "wait 2500", "state", "key Right",
                 "wait 300", "state", "wait 2500", "state", "wait 2500", "state", "quit"]
        with tempfile.TemporaryDirectory() as home, \
                Session(xvfb, steps, home, environment=environment) as session:
            agenda = session.next_state()
            audience = agenda["views"]["audience"]
            # The 4:3 slide between bars on the 16:9 projector: where links, ink and pointer go.
            self.assertEqual(audience, [scale * (1920 + 240), 0, scale * 1440, scale * 1080])
            contents = [entry for entry in agenda["links"]
                        if entry["kind"] == "destination" and entry["rect"][1] < 0.9]
            self.assertEqual([entry["target"] for entry in contents], [1, 2, 4])
            self.click(session, audience, contents[2])
            self.assertEqual(session.next_state()["index"], 4, "the third section")
            details = session.next_state()
            self.assertEqual(details["index"], 5)
            button = [entry for entry in details["links"]
                      if entry["kind"] == "destination" and entry["rect"][1] < 0.9]
            self.assertEqual([entry["target"] for entry in button], [0])
            self.click(session, audience, button[0])
            self.assertEqual(session.next_state()["index"], 0, "back to the agenda")
            session.type("alt+Left")
            self.assertEqual(session.next_state()["index"], 5, "and back where the button was")
            self.assertEqual(session.finish(), 0)

    def test_the_overview_chooses_a_slide(self):
        deck = self.path("overview.pdf")
        write_pdf(deck, [(b"%g 0.5 0.5" % (i / 6), b"", []) for i in range(6)])
        grab = self.path("overview.png")
        steps = [f"open {deck}", "present", "wait 1500", "key Tab", "wait 500", "state",
                 f"grab presenter {grab}", "key Right", "key Right", "key Down", "state",
                 "key Return", "wait 300", "state", "key Tab", "key 2", "state", "key Escape",
                 "key Escape", "state", "quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            opened = session.next_state()
            self.assertEqual(opened["overview"], {"open": True, "selected": 0})
            self.assertEqual(opened["index"], 0)
            moved = session.next_state()
            self.assertGreater(moved["overview"]["selected"], 2)
            self.assertEqual(moved["index"], 0, "the projector waits for the choice")
            chosen = session.next_state()
            self.assertEqual(chosen["overview"]["open"], False)
            self.assertEqual(chosen["index"], moved["overview"]["selected"])
            typed = session.next_state()
            self.assertEqual(typed["overview"], {"open": True, "selected": 1})
            left = session.next_state()
            self.assertEqual(left["overview"]["open"], False)
            self.assertEqual(left["index"], chosen["index"], "Esc leaves without moving")
            self.assertTrue(left["presenting"], "Esc in the overview does not end the talk")
            self.assertEqual(session.finish(), 0)

    def test_a_transition_plays_between_the_pictures_on_the_projector(self):
        deck = self.path("dissolve.pdf")
        write_pdf(deck, [(b"1 0 0", b"", []),
                         (b"0 0 1", b"/Trans << /S /Dissolve /D 3 >>", []),
                         (b"0 1 0", b"/Trans << /S /Dissolve /D 3 >>", [])])
        before, during, after, cut = (self.path(f"{name}.png")
                                      for name in ("before", "during", "after", "cut"))
        steps = [f"open {deck}", "present", "wait 1500", f"grab audience {before}", "next",
                 "wait 1200", f"grab audience {during}", "state", "wait 2500",
                 f"grab audience {after}", "state", "menu Ansicht > Folienübergänge zeigen", "next",
                 f"grab audience {cut}", "state", "quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            self.assertEqual(session.next_state()["index"], 1)
            self.assertEqual(session.next_state()["index"], 1)
            self.assertEqual(session.next_state()["index"], 2)
            self.assertEqual(session.finish(), 0)
        first, middle, last, plain = Image(before), Image(during), Image(after), Image(cut)
        centre = (first.width // 2, first.height // 2)
        self.assertEqual(first.pixel(*centre), (255, 0, 0))
        self.assertEqual(last.pixel(*centre), (0, 0, 255))
        # Dissolving: some pixels of each page, and neither picture alone.
        colours = {middle.pixel(x, first.height // 2) for x in range(0, first.width, 7)}
        self.assertIn((255, 0, 0), colours)
        self.assertIn((0, 0, 255), colours)
        # With transitions off, the next page is there at once.
        self.assertEqual(plain.pixel(*centre), (0, 255, 0))

    def test_display_times_advance_until_a_key(self):
        deck = self.path("timed.pdf")
        write_pdf(deck, [(b"1 0 0", b"/Dur 1", []), (b"0 1 0", b"/Dur 1", []),
                         (b"0 0 1", b"/Dur 1", []), (b"1 1 0", b"", [])])
        steps = [f"open {deck}", "wait 2500", "state", "present", "wait 2500", "state",
                 "key Home", "wait 3000", "state", "quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            self.assertEqual(session.next_state()["index"], 0, "only while presenting")
            self.assertEqual(session.next_state()["index"], 2)
            self.assertEqual(session.next_state()["index"], 0, "a key ends the advance")
            self.assertEqual(session.finish(), 0)


if __name__ == "__main__":
    unittest.main()
