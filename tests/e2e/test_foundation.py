"""The real program opens a deck, presents it on the second monitor and draws the page where it belongs."""
import re
import subprocess
import unittest

from orvl_e2e import BINARY, DisplayTestCase, Image, SAMPLE_DECK, run_steps


def rotated_page(deck):
    """The zero-based index of the first page shown rotated by 90 or 270 degrees, or None."""
    info = subprocess.run(["pdfinfo", "-f", "1", "-l", "999", str(deck)], capture_output=True, text=True).stdout
    for match in re.finditer(r"Page\s+(\d+) rot:\s+(\d+)", info):
        if int(match.group(2)) % 180 == 90:
            return int(match.group(1)) - 1
    return None


class Foundation(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "convert", "mutool", "pdfinfo", "qpdf")

    def test_presents_on_the_second_monitor_with_exact_geometry(self):
        page = rotated_page(SAMPLE_DECK)
        self.assertIsNotNone(page, "the sample deck has a rotated page")
        grab = self.path("audience.png")
        code, events, errors = run_steps(self.xvfb, [
            f"open {SAMPLE_DECK}", "present", "next", "state", f"goto {page}", "wait 1500", "state",
            f"grab audience {grab}", "quit"])
        self.assertEqual(code, 0, errors)
        states = [e for e in events if e["event"] == "state"]
        self.assertEqual(len(states), 2, events)
        self.assertTrue(states[0]["presenting"])
        self.assertEqual(states[0]["index"], 1)
        self.assertEqual(states[1]["index"], page)
        audience = states[1]["audience"]
        self.assertTrue(audience["visible"])
        self.assertFalse(audience["windowed"])
        self.assertEqual((audience["x"], audience["y"], audience["width"], audience["height"]),
                         (1920, 0, 1920, 1080))

        image = Image(grab)
        self.assertEqual((image.width, image.height), (1920, 1080))
        # A portrait page in a landscape screen: black bars left and right, the page centred.
        reference_path = self.path("reference.png")
        subprocess.run(["mutool", "draw", "-q", "-o", str(reference_path), "-w", "1920", "-h", "1080",
                        str(SAMPLE_DECK), str(page + 1)], check=True)
        reference = Image(reference_path)
        self.assertEqual(reference.height, 1080)
        x = int((1920 - reference.width) / 2 + 0.5)
        self.assertEqual(image.pixel(5, 540), (0, 0, 0))
        self.assertEqual(image.pixel(1914, 540), (0, 0, 0))
        self.assertEqual(image.pixel(x - 2, 540), (0, 0, 0))
        self.assertLess(image.crop_difference(reference, x, 0), 6.0)

    def test_failed_opens_say_why_and_keep_the_deck(self):
        not_pdf = self.path("notes.pdf")
        not_pdf.write_text("not a PDF\n")
        damaged = self.path("damaged.pdf")
        damaged.write_bytes(b"%PDF-1.7\n" + bytes(range(256)) * 8)
        locked = self.path("locked.pdf")
        subprocess.run(["qpdf", "--encrypt", "user", "owner-secret", "256", "--", str(SAMPLE_DECK), str(locked)],
                       check=True)
        missing = self.path("missing.pdf")
        code, events, errors = run_steps(self.xvfb, [
            f"open {SAMPLE_DECK}", "goto 2", "present", f"open {missing}", f"open {not_pdf}", f"open {damaged}",
            f"open {locked}", "state", "quit"], settings={"appLanguage": "de", "automationPassword": "wrong"})
        self.assertEqual(code, 0, errors)
        said = [(e["event"], e.get("message", e.get("informative"))) for e in events if e["event"] != "state"]
        self.assertEqual(said, [("alert", "Datei nicht gefunden: missing.pdf"),
                                ("alert", "notes.pdf ist keine PDF-Datei"),
                                ("alert", "damaged.pdf ist beschädigt und kann nicht geöffnet werden"),
                                ("password", "locked.pdf"), ("password", "locked.pdf"),
                                ("alert", "Falsches Passwort für locked.pdf")])
        for _, message in said[:3]:
            self.assertIn("talvane-orvello: " + message, errors)
        state = [e for e in events if e["event"] == "state"][-1]
        self.assertTrue(state["url"].endswith("sample-deck.pdf"))
        self.assertEqual(state["index"], 2)
        self.assertTrue(state["presenting"], "a file that does not open leaves the talk running")

        # The right password opens the deck, and its pages are drawn.
        grab = self.path("unlocked.png")
        code, events, errors = run_steps(self.xvfb, [
            f"open {locked}", "present", "wait 1500", "state", f"grab audience {grab}", "quit"],
            settings={"appLanguage": "de", "automationPassword": "user"})
        self.assertEqual(code, 0, errors)
        self.assertEqual([e["event"] for e in events], ["password", "state"])
        self.assertTrue(events[-1]["url"].endswith("locked.pdf"))
        image = Image(grab)
        self.assertGreater(len({image.pixel(x, y) for x in range(0, 1920, 37) for y in range(0, 1080, 37)}), 3)

    def test_translations_are_found_beside_the_executable(self):
        broken = self.path("broken.pdf")
        broken.write_text("not a PDF either\n")
        code, events, errors = run_steps(self.xvfb, [f"open {broken}", "quit"], settings={"appLanguage": "fr"})
        self.assertEqual(code, 0, errors)
        self.assertEqual(events[0]["message"], "broken.pdf n’est pas un fichier PDF")

    def test_command_line_hands_over_the_first_pdf(self):
        other = self.path("notes.txt")
        other.write_text("notes\n")
        upper = self.path("DECK.PDF")
        upper.write_bytes(SAMPLE_DECK.read_bytes())
        folder = self.path("slides")
        folder.mkdir(exist_ok=True)
        code, events, errors = run_steps(self.xvfb, ["state", "quit"],
                                         arguments=[str(other), str(folder), upper.as_uri(), str(SAMPLE_DECK)],
                                         settings={"appLanguage": "de"})
        self.assertEqual(code, 0, errors)
        # A folder and a second PDF are said, on screen and on standard error; other files are ignored.
        alerts = [e["message"] for e in events if e["event"] == "alert"]
        self.assertEqual(alerts, ["slides ist ein Ordner, keine PDF-Datei",
                                  "Es wird nur eine PDF-Datei geöffnet; sample-deck.pdf bleibt zu."])
        for message in alerts:
            self.assertIn("talvane-orvello: " + message, errors)
        state = events[-1]
        self.assertEqual(state["url"], upper.as_uri())
        self.assertEqual(state["title"], "DECK")
        self.assertGreater(state["pageCount"], 1)
        self.assertEqual(state["recent"], [str(upper)])

    def test_unknown_step_stops_with_status_2(self):
        code, events, _ = run_steps(self.xvfb, ["dance", "state"])
        self.assertEqual(code, 2)
        self.assertEqual(events, [{"event": "error", "step": "dance", "message": "unknown step"}])

    def test_version_and_help_need_no_display(self):
        environment = {"PATH": "/usr/bin:/bin", "ASAN_OPTIONS": "detect_leaks=0"}
        version = subprocess.run([BINARY, "--version"], capture_output=True, text=True, env=environment)
        self.assertEqual(version.returncode, 0, version.stderr)
        self.assertRegex(version.stdout, r"^talvane-orvello \d+\.\d+\.\d+\n$")
        shown = subprocess.run([BINARY, "--help"], capture_output=True, text=True, env=environment)
        self.assertEqual(shown.returncode, 0, shown.stderr)
        self.assertTrue(shown.stdout.startswith("Usage: talvane-orvello [options] [PDF...]\n"))
        for option in ("--present", "--page N", "--screen NAME", "--set KEY=VALUE",
                       "outputScreen [\"\"]", "thumbColumns [1]", "ontimePort [4001]"):
            self.assertIn(option, shown.stdout)
        wrong = subprocess.run([BINARY, "--page", "0"], capture_output=True, text=True, env=environment)
        self.assertEqual(wrong.returncode, 2)
        self.assertIn("--page", wrong.stderr)
        # In the system's language, as the rest of the program: German under a German locale.
        german = {**environment, "LANG": "de_DE.UTF-8"}
        shown = subprocess.run([BINARY, "--help"], capture_output=True, text=True, env=german)
        self.assertTrue(shown.stdout.startswith("Aufruf: talvane-orvello [Optionen] [PDF …]\n"), shown.stdout)
        self.assertIn("Sofort präsentieren.", shown.stdout)
        self.assertIn("Spalten der Folienleiste, 1 bis 4", shown.stdout)
        wrong = subprocess.run([BINARY, "--page", "0"], capture_output=True, text=True, env=german)
        self.assertIn("--page braucht eine Foliennummer ab 1", wrong.stderr)

    def test_about_names_the_version_licence_source_and_sandbox(self):
        code, events, errors = run_steps(self.xvfb, [f"open {SAMPLE_DECK}", "menu Hilfe > Über Talvane Orvello",
                                                     "quit"], settings={"appLanguage": "de"})
        self.assertEqual(code, 0, errors)
        lines = next(event for event in events if event["event"] == "about")["message"].split("\n")
        self.assertRegex(lines[0], r"^Talvane Orvello \d+\.\d+\.\d+$")
        self.assertIn("Lizenz: GNU Affero General Public License, Version 3 oder später", lines)
        self.assertTrue(any(line.startswith("Quelltext: ") and len(line) > 12 for line in lines), lines)
        self.assertTrue(any(re.match(r"PDF-Engine: MuPDF \d", line) for line in lines), lines)
        sandbox = next(line for line in lines if line.startswith("Sandbox: "))
        self.assertNotEqual(sandbox, "Sandbox: noch kein PDF geöffnet", "a deck was opened")

    def test_present_at_a_page_on_a_named_screen(self):
        code, events, errors = run_steps(self.xvfb, ["wait 500", "state", "quit"],
                                         arguments=[str(SAMPLE_DECK), "--page", "3", "--present",
                                                    "--screen", "LAPTOP"])
        self.assertEqual(code, 0, errors)
        state = events[-1]
        self.assertEqual(state["index"], 2)
        self.assertTrue(state["presenting"])
        self.assertEqual((state["audience"]["x"], state["audience"]["screen"]), (0, "LAPTOP"))

if __name__ == "__main__":
    unittest.main()
