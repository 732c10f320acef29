"""Damaged and hostile PDFs end to end (tools/make_damaged_pdfs.py): each is opened while the
sample deck is presented, presented itself and stepped to its middle and last page. After every
file the program must be alive and answer its next step, and a file that does not open must leave
the sample deck open with an alert. The Release build runs under an address-space cap (the
sanitizers cannot), so memory that grows without bound ends the program as it would on a small
machine; the whole corpus runs in one launch, or one more after each file that ends it."""
import importlib
import pathlib
import queue
import subprocess
import sys
import tempfile
import unittest

from orvl_e2e import DisplayTestCase, PLAIN_BINARY, SAMPLE_DECK, SOURCE_DIR, Session

ADDRESS_SPACE_CAP = 4 << 30
# Hang detection, not a speed bound: the program answers a step well within a second; one that
# answers nothing this long is frozen.
ANSWER_SECONDS = 10
# Time for the views' renders to start on the page just shown before the state is read.
SETTLE_MS = 300
LAST_PAGE = 1 << 62


def load_generator():
    if str(SOURCE_DIR / "tools") not in sys.path:
        sys.path.append(str(SOURCE_DIR / "tools"))
    return importlib.import_module("make_damaged_pdfs")


def file_steps(path, pages):
    """Opened while the sample deck is presented, presented, stepped to its middle and last page,
    then left for the sample deck again: a state after each, so that a freeze on the way out
    counts against this file."""
    return ["present", f"open {path}", f"wait {SETTLE_MS}", "state", "present", f"goto {pages // 2}",
            f"wait {SETTLE_MS}", "state", f"goto {LAST_PAGE}", f"wait {SETTLE_MS}", "state",
            f"open {SAMPLE_DECK}", "state"]


class Corpus(DisplayTestCase):
    required_tools = ("Xvfb", "xrandr", "prlimit")

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.files = []
        folder = pathlib.Path(cls.work.name) / "corpus"
        folder.mkdir()
        for name, data, pages in load_generator().cases():
            (folder / name).write_bytes(data)
            cls.files.append((folder / name, pages))

    def run_files(self, files):
        """Runs the files in one launch, up to the first that ends or freezes the program.
        Returns how many it got through, that file's failure if any, and the wrong behaviours
        seen meanwhile."""
        home = pathlib.Path(tempfile.mkdtemp(dir=self.work.name))
        steps = [f"open {SAMPLE_DECK}", "state"]
        for path, pages in files:
            steps += file_steps(path, pages)
        wrong = []
        with open(home / "stderr.txt", "w+", encoding="utf-8", errors="replace") as log, \
                Session(self.xvfb, [*steps, "quit"], home, binary=PLAIN_BINARY, stderr=log,
                        prefix=("prlimit", f"--as={ADDRESS_SPACE_CAP}", "--")) as session:
            sample = session.next_state()["url"]
            for done, (path, pages) in enumerate(files):
                seen = len(session.seen)
                try:
                    states = [session.next_state(ANSWER_SECONDS + SETTLE_MS / 1000) for _ in range(4)]
                except queue.Empty:
                    return done, f"{path.name}: no answer within {ANSWER_SECONDS} s (frozen)", wrong
                except AssertionError:
                    return done, f"{path.name}: {ended(session, log)}", wrong
                alerts = [event for event in session.seen[seen:] if event.get("event") == "alert"]
                wrong += misbehaviour(path, pages, sample, *states, alerts)
            try:
                code = session.finish()
            except subprocess.TimeoutExpired:
                return len(files), "does not quit after the corpus", wrong
            if code != 0:
                return len(files), f"quits with {code} after the corpus: {tail(log)}", wrong
        return len(files), None, wrong

    def test_no_file_takes_the_program_down(self):
        self.assertGreaterEqual(len(self.files), 30)
        failures, wrong = [], []
        remaining = self.files
        while remaining:
            done, failure, misbehaved = self.run_files(remaining)
            wrong += misbehaved
            if failure:
                failures.append(failure)
            remaining = remaining[done + 1:]
        self.assertEqual(failures + wrong, [])


def misbehaviour(path, pages, sample, opened, middle, last, left, alerts):
    """What is wrong with the states of one file: the file open, or the sample deck kept with an
    alert; steps to the middle and end of whichever deck is open; the sample deck again."""
    wrong = []
    if opened["url"] == path.as_uri():
        if opened["pageCount"] < 1:
            wrong.append(f"{path.name}: open with no pages")
    elif opened["url"] != sample or opened["pageCount"] < 1:
        wrong.append(f"{path.name}: did not open and did not keep the sample deck: {opened['url']}")
    elif not alerts:
        wrong.append(f"{path.name}: did not open, without an alert")
    count = opened["pageCount"]
    if middle["index"] != min(pages // 2, count - 1) or last["index"] != count - 1:
        wrong.append(f"{path.name}: stepped to {middle['index']} and {last['index']} of {count} pages")
    if left["url"] != sample:
        wrong.append(f"{path.name}: the sample deck did not open after it")
    return wrong


def tail(log):
    log.flush()
    log.seek(0)
    return " | ".join(log.read().strip().splitlines()[-3:])


def ended(session, log):
    code = session.process.wait(timeout=30)
    how = f"signal {-code}" if code < 0 else f"exit {code}"
    return f"the program ended ({how}): {tail(log)}"


if __name__ == "__main__":
    unittest.main()
