#!/usr/bin/python3
"""photo-deck.py OUT.pdf [PAGES]

Writes a deck of 24-megapixel photographs for the render benchmark: 960x540-point pages, odd
pages one full-bleed 6000x4000 JPEG, even pages a smaller placement of another one on a red page.
ImageMagick makes the pictures (plasma scaled up, with noise, so that they do not compress away);
the PDF is written here around the JPEG data, because ImageMagick's policy refuses to write PDF."""
import os
import subprocess
import sys
import tempfile


def photo(path, seed):
    subprocess.run(["convert", "-seed", str(seed), "-size", "600x400", "plasma:",
                    "-resize", "6000x4000!", "-attenuate", "0.4", "+noise", "Gaussian",
                    "-quality", "88", path], check=True)
    with open(path, "rb") as f:
        return f.read()


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    pages = int(sys.argv[2]) if len(sys.argv) > 2 else 4
    objects = []  # bodies, numbered from 1

    def add(body):
        objects.append(body)
        return len(objects)

    catalog = add(None)
    tree = add(None)
    kids = []
    with tempfile.TemporaryDirectory() as scratch:
        for number in range(pages):
            data = photo(os.path.join(scratch, "p%d.jpg" % number), number + 1)
            image = add(b"<< /Type /XObject /Subtype /Image /Width 6000 /Height 4000 "
                        b"/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode "
                        b"/Length %d >>\nstream\n" % len(data) + data + b"\nendstream")
            if number % 2 == 0:
                draw = b"q 960 0 0 540 0 0 cm /Im Do Q"
            else:
                draw = b"0.8 0.1 0.1 rg 0 0 960 540 re f q 600 0 0 400 180 70 cm /Im Do Q"
            content = add(b"<< /Length %d >>\nstream\n" % len(draw) + draw + b"\nendstream")
            kids.append(add(b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 960 540] "
                            b"/Resources << /XObject << /Im %d 0 R >> >> /Contents %d 0 R >>"
                            % (tree, image, content)))
    objects[catalog - 1] = b"<< /Type /Catalog /Pages %d 0 R >>" % tree
    objects[tree - 1] = (b"<< /Type /Pages /Count %d /Kids [" % pages +
                         b" ".join(b"%d 0 R" % kid for kid in kids) + b"] >>")
    with open(out, "wb") as f:
        f.write(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
        offsets = []
        for number, body in enumerate(objects, 1):
            offsets.append(f.tell())
            f.write(b"%d 0 obj\n" % number + body + b"\nendobj\n")
        xref = f.tell()
        f.write(b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1))
        for offset in offsets:
            f.write(b"%010d 00000 n \n" % offset)
        f.write(b"trailer\n<< /Size %d /Root %d 0 R >>\nstartxref\n%d\n%%%%EOF\n"
                % (len(objects) + 1, catalog, xref))


main()
