"""Speaker notes in the console: a sidecar file beside the deck gives each slide its note, hidden
pages are stepped over, the notes' size is remembered, a broken sidecar is said once and one broken
mid-talk keeps the notes it gave; a damaged deck that opens says so."""
import json
import os
import shutil
import tempfile
import unittest

from orvl_e2e import DisplayTestCase, Image, SAMPLE_DECK, Session, run_steps, write_pdf

SIDECAR = {
    "pdfpcFormat": 2, "duration": 20, "lastMinutes": 3, "disableMarkdown": False,
    "pages": [
        {"idx": 0, "label": "1", "overlay": 0, "hidden": False,
         "note": "# Welcome\n\nSay **who we are**.\n\n- first point\n- second point"},
        {"idx": 1, "label": "2", "overlay": 0, "hidden": False, "note": "Agenda"},
        {"idx": 2, "label": "3", "overlay": 0, "hidden": True, "note": "Backup slide"},
        {"idx": 3, "label": "4", "overlay": 0, "hidden": False, "note": "Results"},
    ],
}


class Notes(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "xdotool", "convert")

    def deck(self, sidecar_text):
        folder = tempfile.mkdtemp(dir=self.work.name)
        deck = f"{folder}/talk.pdf"
        shutil.copy(SAMPLE_DECK, deck)
        with open(f"{folder}/talk.pdfpc", "w", encoding="utf-8") as sidecar:
            sidecar.write(sidecar_text)
        return deck

    def test_sidecar_notes_follow_the_slides(self):
        deck = self.deck(json.dumps(SIDECAR))
        steps = [f"open {deck}", "present", "wait 1500", "state", "next", "state", "key Right",
                 "state", "goto 2", "state", "click audience right", "state",
                 "menu Ansicht > Notizen größer", "menu Ansicht > Notizen größer", "state",
                 "wait 2500", "state", "wait 2500", "state", "quit"]
        with tempfile.TemporaryDirectory() as home:
            with Session(self.xvfb, steps, home) as session:
                first = session.next_state()
                self.assertEqual(first["notes"]["source"], "sidecar")
                self.assertEqual(first["notes"]["text"],
                                 "Welcome\nSay who we are.\nfirst point\nsecond point")
                self.assertTrue(first["notesShown"])
                self.assertEqual(first["notesFontSize"], 20)
                self.assertAlmostEqual(first["audienceAspect"], first["aspect"])
                second = session.next_state()
                self.assertEqual((second["index"], second["notes"]["text"]), (1, "Agenda"))
                skipped = session.next_state()
                self.assertEqual((skipped["index"], skipped["notes"]["text"]), (3, "Results"),
                                 "the hidden page is stepped over")
                hidden = session.next_state()
                self.assertEqual((hidden["index"], hidden["notes"]["text"]), (2, "Backup slide"),
                                 "and still reachable by number")
                back = session.next_state()
                self.assertEqual(back["index"], 1, "the audience's back click steps over it too")
                larger = session.next_state()
                self.assertEqual(larger["notesFontSize"], 24)
                # Typed on the keyboard: Ctrl with the plus sign (Shift included) and the minus.
                session.type("ctrl+plus")
                self.assertEqual(session.next_state()["notesFontSize"], 26)
                session.type("ctrl+minus", "ctrl+minus")
                self.assertEqual(session.next_state()["notesFontSize"], 22)
                self.assertEqual(session.finish(), 0)

            # The size is remembered for the next start.
            with Session(self.xvfb, [f"open {deck}", "state", "quit"], home) as session:
                self.assertEqual(session.next_state()["notesFontSize"], 22)
                self.assertEqual(session.finish(), 0)

    def test_notes_edited_beside_the_open_deck_show_at_once(self):
        deck = self.deck(json.dumps(SIDECAR))
        sidecar = deck.replace(".pdf", ".pdfpc")
        steps = [f"open {deck}", "state", "wait 3000", "state", "wait 3000", "state", "quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            self.assertEqual(session.next_state()["notes"]["text"].split("\n")[0], "Welcome")
            # Written elsewhere and renamed over the old file, as editors save.
            edited = {**SIDECAR, "pages": [{"idx": 0, "note": "Start with the demo"}]}
            with open(sidecar + ".new", "w", encoding="utf-8") as replacement:
                json.dump(edited, replacement)
            os.replace(sidecar + ".new", sidecar)
            self.assertEqual(session.next_state()["notes"]["text"], "Start with the demo")
            os.remove(sidecar)
            self.assertEqual(session.next_state()["notes"], {"source": None, "text": ""})
            self.assertEqual(session.finish(), 0)

    def test_a_broken_sidecar_is_said_once_and_ignored(self):
        deck = self.deck('{"pdfpcFormat": 2, "pages": [{"idx": 0, "note": "cut')
        steps = [f"open {deck}", "state", "next", "state", f"open {deck}", "state", "quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            for _ in range(3):
                state = session.next_state()
                self.assertEqual(state["notes"], {"source": None, "text": ""})
                self.assertEqual(state["status"], "Notizdatei talk.pdfpc nicht lesbar (Zeile 1) – ohne Notizen")
            self.assertEqual(session.finish(), 0)
            errors = session.process.stderr.read()
            self.assertEqual(errors.count("Notizdatei talk.pdfpc nicht lesbar"), 1, errors)

    def test_damage_is_said_before_the_talk_and_an_edit_mid_talk_loses_nothing(self):
        # A copy cut short, as a download or a full stick leaves it: it opens, and says so.
        truncated = self.path("truncated.pdf")
        data = SAMPLE_DECK.read_bytes()
        truncated.write_bytes(data[:len(data) * 97 // 100])
        deck = self.deck(json.dumps(SIDECAR))
        sidecar = deck.replace(".pdf", ".pdfpc")
        steps = [f"open {truncated}", "state", f"open {deck}", "present", *["wait 150", "state"] * 400, "quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            state = session.next_state()
            self.assertEqual(state["url"], truncated.as_uri())
            self.assertGreater(state["pageCount"], 0)
            self.assertEqual(state["status"], "truncated.pdf wurde repariert – Inhalt kann fehlen")

            state = session.until(lambda state: state["presenting"])
            self.assertEqual(state["status"], "")
            self.assertEqual(state["pace"]["phase"], "normal")
            welcome = state["notes"]["text"]
            # Broken halfway through an edit: the notes and the talk's length stay.
            with open(sidecar, "w", encoding="utf-8") as broken:
                broken.write(json.dumps(SIDECAR)[:60])
            state = session.until(lambda state: "nicht lesbar" in state["status"])
            self.assertEqual(state["status"],
                             "Notizdatei talk.pdfpc nicht lesbar (Zeile 1) – die bisherigen Notizen bleiben")
            self.assertEqual(state["notes"]["text"], welcome)
            self.assertEqual(state["pace"]["phase"], "normal")
            self.assertLessEqual(state["pace"]["remainingSeconds"], 20 * 60)
            with open(sidecar, "w", encoding="utf-8") as fixed:
                json.dump({**SIDECAR, "pages": [{"idx": 0, "note": "Start with the demo"}]}, fixed)
            state = session.until(lambda state: state["status"] == "")
            self.assertEqual(state["notes"]["text"], "Start with the demo")
            self.assertTrue(state["presenting"])

    def test_annotation_notes_show_in_the_console_and_not_on_the_projector(self):
        folder = tempfile.mkdtemp(dir=self.work.name)
        white = b"1 1 1 rg 0 0 400 225 re f"
        annotations = [b"<< /Type /Annot /Subtype /Text /Rect [10 10 60 60] /Contents (Say hello) APPEARANCE >>",
                       b"<< /Type /Annot /Subtype /FreeText /Rect [100 10 150 60] /DA (/Helv 12 Tf 0 g) "
                       b"/Contents (Mind the time) APPEARANCE >>",
                       b"<< /Type /Annot /Subtype /Square /Rect [200 10 250 60] APPEARANCE >>"]
        for name in ("annotated", "both"):
            write_pdf(f"{folder}/{name}.pdf", [(400, 225, white, annotations), (400, 225, white, [])])
        with open(f"{folder}/both.pdfpc", "w", encoding="utf-8") as sidecar:
            json.dump({"pdfpcFormat": 2, "pages": [{"idx": 0, "note": "From the *sidecar*"}]}, sidecar)
        grab = self.path("annotated.png")
        code, events, errors = run_steps(self.xvfb, [
            f"open {folder}/annotated.pdf", "present", "wait 1500", "state", f"grab audience {grab}", "next",
            "state", f"open {folder}/both.pdf", "state", "quit"], settings={"appLanguage": "de"})
        self.assertEqual(code, 0, errors)
        states = [event for event in events if event["event"] == "state"]
        self.assertEqual([state["notes"] for state in states], [
            {"source": "annotations", "text": "Say hello\n\nMind the time"},
            {"source": None, "text": ""},
            {"source": "sidecar", "text": "From the sidecar\n\nSay hello\n\nMind the time"}])
        # 400 × 225 points at 4.8 pixels each: the note annotations stay white, the square shows.
        image = Image(grab)
        self.assertEqual(image.pixel(168, 1080 - 168), (255, 255, 255))
        self.assertEqual(image.pixel(600, 1080 - 168), (255, 255, 255))
        self.assertEqual(image.pixel(1080, 1080 - 168), (255, 0, 0))

    def test_a_split_deck_shows_only_the_slide_half_on_the_projector(self):
        # Notes pages of two 16:9 halves: the slide red, its notes blue.
        deck = self.path("split.pdf")
        halves = b"1 0 0 rg 0 0 400 225 re f 0 0 1 rg 400 0 400 225 re f 0 g BT /F1 14 Tf 420 150 Td (Remember the demo) Tj ET"
        write_pdf(deck, [(800, 225, halves, [])] * 3)
        slide, notes, choice = (self.path(name) for name in ("slide.png", "console.png", "none.png"))
        code, events, errors = run_steps(self.xvfb, [
            f"open {deck}", "present", "wait 1500", "state", f"grab audience {slide}", f"grab presenter {notes}",
            "menu Ansicht > Notizen: keine", "wait 1000", "state", f"grab audience {choice}",
            "menu Ansicht > Notizen: links", "state", "quit"], settings={"appLanguage": "de"})
        self.assertEqual(code, 0, errors)
        split, whole, left = [event for event in events if event["event"] == "state"]
        self.assertEqual(split["notes"], {"source": "beamer-right", "text": "Remember the demo"})
        self.assertAlmostEqual(split["audienceAspect"], 16 / 9, places=3)
        self.assertAlmostEqual(split["aspect"], 32 / 9, places=3)
        self.assertEqual(whole["notes"]["source"], None)
        self.assertAlmostEqual(whole["audienceAspect"], 32 / 9, places=3)
        self.assertEqual(left["notes"]["source"], "beamer-left")

        red, blue = (255, 0, 0), (0, 0, 255)
        projected = Image(slide)
        self.assertEqual((projected.width, projected.height), (1920, 1080))
        self.assertEqual({projected.pixel(x, y) for x in range(0, 1920, 41) for y in range(0, 1080, 41)}, {red})
        console = Image(notes)
        shown = {console.pixel(x, y) for x in range(0, console.width, 7) for y in range(0, console.height, 7)}
        self.assertIn(blue, shown, "the console shows the notes half")
        # Unsplit by the menu: the whole page, letter-boxed, both halves.
        unsplit = Image(choice)
        self.assertEqual((unsplit.pixel(480, 540), unsplit.pixel(1440, 540), unsplit.pixel(960, 100)),
                         (red, blue, (0, 0, 0)))


if __name__ == "__main__":
    unittest.main()
