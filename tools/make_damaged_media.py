#!/usr/bin/env python3
"""Writes clips with a frame counter (ffmpeg), decks that play them in each form a PDF can name
a clip, and damaged and hostile media, for the tests that video plays and that no clip takes the
program down.

    python3 tools/make_damaged_media.py FOLDER

`make_clip()` encodes a clip; `write_deck()` writes a deck of pages that each carry annotations;
`damaged_cases()` gives each damaged file's name and bytes, made from a good clip."""
import io
import pathlib
import random
import struct
import subprocess
import sys
import wave

PAGE = (640, 360)


def make_clip(path, seconds=4, size="320x180", rate=30, codec="libx264", extra=()):
    """A clip whose every frame differs (ffmpeg's test picture counts its frames) and a tone."""
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    f"testsrc=size={size}:rate={rate}:duration={seconds}", "-f", "lavfi", "-i",
                    f"sine=frequency=440:duration={seconds}", "-c:v", codec, "-pix_fmt", "yuv420p",
                    *extra, "-shortest", str(path)], check=True)
    return pathlib.Path(path).read_bytes()


def pdf_string(text):
    return b"(" + text.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)").encode() + b")"


def rect(box):
    """`box` as (x, y, width, height) in 0..1 of the page, top-left origin, as a PDF /Rect."""
    x, y, width, height = box
    left, right = x * PAGE[0], (x + width) * PAGE[0]
    top, bottom = PAGE[1] - y * PAGE[1], PAGE[1] - (y + height) * PAGE[1]
    return b"[%g %g %g %g]" % (left, bottom, right, top)


class Deck:
    """A deck built page by page: a grey border, its shade inside, its annotations."""

    def __init__(self):
        self.objects = [b"", b""]
        self.pages = []

    def add(self, body):
        self.objects.append(body)
        return len(self.objects)

    def stream(self, data, entries=b""):
        return self.add(b"<< /Length %d " % len(data) + entries + b" >>\nstream\n" + data + b"\nendstream")

    def file_spec(self, name=None, data=None):
        """A file entry (/FS): `data` embedded, else the file `name` beside the deck."""
        if data is not None:
            embedded = self.stream(data, b"/Type /EmbeddedFile")
            return b"<< /Type /Filespec /F (clip) /EF << /F %d 0 R >> >>" % embedded
        return b"<< /Type /Filespec /F " + pdf_string(name) + b" >>"

    def movie(self, box, name=None, data=None, autostart=False, loop=False):
        """beamer's \\movie: a Movie annotation, started by the page's open action."""
        mode = b" /A << /Mode /Repeat >>" if loop else b""
        return (b"<< /Type /Annot /Subtype /Movie /Rect " + rect(box) + b" /T (clip) /Movie << /F " +
                self.file_spec(name, data) + b" >>" + mode + b" >>", autostart)

    def screen(self, box, name=None, data=None, autostart=False, mime="video/mp4", operation=0):
        """LibreOffice's export: a Screen annotation with a rendition action, opened with the page;
        `operation` 4 resumes where the clip was left."""
        rendition = (b"<< /S /MR /C << /S /MCD /CT " + pdf_string(mime) + b" /D " +
                     self.file_spec(name, data) + b" >> >>")
        action = self.add(b"<< /S /Rendition /OP %d /R " % operation + rendition + b" >>")
        opened = b" /AA << /PO %d 0 R >>" % action if autostart else b""
        return (b"<< /Type /Annot /Subtype /Screen /Rect " + rect(box) + b" /A %d 0 R" % action + opened +
                b" >>", False)

    def link(self, box, target, launch=True):
        """pdfpc's convention: a link to a local file with options; or a web address."""
        action = (b"<< /S /Launch /F " + pdf_string(target) + b" >>" if launch
                  else b"<< /S /URI /URI " + pdf_string(target) + b" >>")
        return (b"<< /Type /Annot /Subtype /Link /Border [0 0 0] /Rect " + rect(box) + b" /A " + action +
                b" >>", False)

    def page(self, *annotations, shade=1.0):
        """A page of these annotations; `shade` is its grey (1 white), to tell pages apart."""
        self.pages.append((annotations, shade))

    def write(self, path):
        kids = []
        for annotations, shade in self.pages:
            contents = self.stream(b"0.5 g 0 0 %d %d re f %g g 20 20 %d %d re f" %
                                   (PAGE[0], PAGE[1], shade, PAGE[0] - 40, PAGE[1] - 40))
            page = len(self.objects) + 1
            numbers = [page + 1 + i for i in range(len(annotations))]
            starts = [number for number, (_, autostart) in zip(numbers, annotations) if autostart]
            opened = b""
            if starts:
                opened = b" /AA << /O << /S /Movie /Annotation %d 0 R >> >>" % starts[0]
            annots = b" ".join(b"%d 0 R" % number for number in numbers)
            self.add(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] /Contents %d 0 R /Annots [" %
                     (PAGE[0], PAGE[1], contents) + annots + b"]" + opened + b" >>")
            for body, _ in annotations:
                self.add(body)
            kids.append(page)
        self.objects[0] = b"<< /Type /Catalog /Pages 2 0 R >>"
        self.objects[1] = (b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % kid for kid in kids) +
                           b"] /Count %d >>" % len(kids))
        out = bytearray(b"%PDF-1.7\n")
        offsets = []
        for number, body in enumerate(self.objects, 1):
            offsets.append(len(out))
            out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
        xref = len(out)
        out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(self.objects) + 1)
        out += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
        out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(self.objects) + 1, xref)
        pathlib.Path(path).write_bytes(bytes(out))


def tone_wav():
    buffer = io.BytesIO()
    with wave.open(buffer, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(8000)
        out.writeframes(b"".join(struct.pack("<h", (i * 300) % 20000 - 10000) for i in range(8000)))
    return buffer.getvalue()


def damaged_cases(good):
    """(name, bytes) of media that must not play and must not hurt: cut, noise, lies about what
    they are, headers that claim what is not there."""
    rng = random.Random(7)
    flipped = bytearray(good)
    for _ in range(200):
        at = rng.randrange(len(flipped) // 8, len(flipped))
        flipped[at] ^= 0xFF
    moov = good.find(b"moov")
    huge_box = bytearray(good)
    if moov > 4:
        # The movie header claims four gigabytes.
        huge_box[moov - 4:moov] = b"\xff\xff\xff\xf0"
    return [
        ("empty.mp4", b""),
        ("truncated.mp4", good[: len(good) // 3]),
        ("header-only.mp4", good[:2048]),
        ("noise.mp4", rng.randbytes(200_000)),
        ("flipped.mp4", bytes(flipped)),
        ("huge-box.mp4", bytes(huge_box)),
        ("sound-named-video.mp4", tone_wav()),
        ("text-named-video.webm", b"<html><body>not a clip</body></html>\n" * 100),
        ("pdf-named-video.mkv", b"%PDF-1.4\n" + rng.randbytes(4000)),
    ]


def main(folder):
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    good = make_clip(folder / "good.mp4")
    for name, data in damaged_cases(good):
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "damaged-media")
