"""Speaker notes in the console: a sidecar file beside the deck gives each slide its note, hidden
pages are stepped over, the notes' size is remembered, and a broken sidecar is said once."""
import json
import shutil
import tempfile
import unittest

from orvl_e2e import DisplayTestCase, SAMPLE_DECK, Session

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
    required_tools = ("Xvfb", "xrandr")

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
                 "menu Ansicht > Notizen größer", "menu Ansicht > Notizen größer", "state", "quit"]
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
                self.assertEqual(session.finish(), 0)

            # The size is remembered for the next start.
            with Session(self.xvfb, [f"open {deck}", "state", "quit"], home) as session:
                self.assertEqual(session.next_state()["notesFontSize"], 24)
                self.assertEqual(session.finish(), 0)

    def test_a_broken_sidecar_is_said_once_and_ignored(self):
        deck = self.deck('{"pdfpcFormat": 2, "pages": [{"idx": 0, "note": "cut')
        steps = [f"open {deck}", "state", "next", "state", f"open {deck}", "state", "quit"]
        with tempfile.TemporaryDirectory() as home, Session(self.xvfb, steps, home) as session:
            for _ in range(3):
                state = session.next_state()
                self.assertEqual(state["notes"], {"source": None, "text": ""})
                self.assertEqual(state["status"], "Notizdatei talk.pdfpc nicht lesbar – ohne Notizen")
            self.assertEqual(session.finish(), 0)
            errors = session.process.stderr.read()
            self.assertEqual(errors.count("Notizdatei talk.pdfpc nicht lesbar"), 1, errors)


if __name__ == "__main__":
    unittest.main()
