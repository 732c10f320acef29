#!/usr/bin/env python3
"""Writes damaged and hostile PDFs, for the test that no file takes the program down.

    python3 tools/make_damaged_pdfs.py FOLDER

Deterministic, standard library only, a few MiB on disk in all: whatever the files claim (pages,
pixels, operators), the bytes stay small. `cases()` gives each file's name, bytes and the number of
pages its page tree really holds (for a reader to step to its middle)."""
import pathlib
import random
import sys
import zlib

HEADER = b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n"
MEDIA = b"[0 0 960 540]"
FONTS = b"<< /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >>"
ADLER_BASE = 65521


def ref(number):
    return b"%d 0 R" % number


def noise(size, seed):
    return random.Random(seed).randbytes(size)


def stream(data, entries=b"", flate=False, length=None):
    """A stream object's body; `length` (bytes) replaces the true /Length."""
    if flate:
        data = zlib.compress(data, 9)
        entries += b" /Filter /FlateDecode"
    length = b"%d" % len(data) if length is None else length
    return b"<< /Length " + length + entries + b" >>\nstream\n" + data + b"\nendstream"


def adler32_repeated(chunk, count):
    """The Adler-32 of `chunk` written `count` times, without writing it."""
    checksum = zlib.adler32(chunk)
    size = len(chunk)
    total = (checksum & 0xFFFF) - 1
    weighted = (checksum >> 16) - size
    low = (1 + count * total) % ADLER_BASE
    high = (count * size + count * weighted + total * size * count * (count - 1) // 2) % ADLER_BASE
    return high << 16 | low


def flate_repeated(chunk, count):
    """A zlib stream of `chunk` repeated `count` times, compressed once: a full flush makes the
    compressed chunk stand alone, so copies of it follow each other as they are."""
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    block = compressor.compress(chunk) + compressor.flush(zlib.Z_FULL_FLUSH)
    # The zlib header, the blocks, an empty final block, the checksum.
    return b"\x78\xda" + block * count + b"\x03\x00" + adler32_repeated(chunk, count).to_bytes(4, "big")


def document(objects, trailer=b""):
    """A well-formed file of these numbered object bodies; b"@XREF@" in `trailer` becomes the
    cross-reference table's offset."""
    out = bytearray(HEADER)
    offsets = {}
    for number in sorted(objects):
        offsets[number] = len(out)
        out += b"%d 0 obj\n" % number + objects[number] + b"\nendobj\n"
    xref = len(out)
    size = max(objects) + 1
    out += b"xref\n0 %d\n0000000000 65535 f \n" % size
    for number in range(1, size):
        out += b"%010d 00000 n \n" % offsets[number] if number in offsets else b"0000000000 00000 f \n"
    out += b"trailer\n<< /Size %d /Root 1 0 R " % size + trailer.replace(b"@XREF@", b"%d" % xref)
    out += b">>\nstartxref\n%d\n%%%%EOF\n" % xref
    return bytes(out)


def slide_content(number):
    return (b"0.93 0.95 1 rg 0 0 960 540 re f 0.1 0.3 0.7 rg 60 60 840 120 re f "
            b"BT /F1 64 Tf 0 0 0 rg 80 300 Td (Slide %d) Tj ET" % number)


def page(content, media=MEDIA, resources=FONTS, extra=b""):
    """One page: its content (drawing operators, or a whole stream body starting with "<<"), box,
    resources and further dictionary entries."""
    return content, media, resources, extra


def deck(pages, extra=None, trailer=b""):
    """Catalog 1, page tree 2, then each page and its content stream; `pages` holds page() tuples
    or bare content; `extra` objects (numbered from 90 on) are added as they are."""
    objects = {1: b"<< /Type /Catalog /Pages 2 0 R >>"}
    kids = []
    for index, described in enumerate(pages):
        content, media, resources, entries = (described if isinstance(described, tuple)
                                              else page(described))
        number, body = 3 + 2 * index, 4 + 2 * index
        kids.append(ref(number))
        objects[number] = (b"<< /Type /Page /Parent 2 0 R /MediaBox " + media + b" /Resources " + resources +
                           b" /Contents " + ref(body) + entries + b" >>")
        objects[body] = content if content.startswith(b"<<") else stream(content, flate=True)
    objects[2] = b"<< /Type /Pages /Kids [" + b" ".join(kids) + b"] /Count %d >>" % len(kids)
    objects.update(extra or {})
    return document(objects, trailer=trailer)


def slides(count):
    return [slide_content(n) for n in range(1, count + 1)]


def healthy_deck():
    """Six pages with text and an image: the file the truncations and broken tables start from."""
    image = stream(noise(64 * 48 * 3, 7), b" /Type /XObject /Subtype /Image /Width 64 /Height 48"
                   b" /ColorSpace /DeviceRGB /BitsPerComponent 8", flate=True)
    resources = FONTS[:-2] + b" /XObject << /Im1 90 0 R >> >>"
    return deck([page(content + b" q 320 0 0 240 560 220 cm /Im1 Do Q", resources=resources)
                 for content in slides(6)], {90: image})


def truncated(fraction):
    data = healthy_deck()
    return data[:int(len(data) * fraction)]


def cut_in_stream():
    data = healthy_deck()
    return data[:data.index(b"stream\n", data.index(b"\n7 0 obj")) + 30]


def cut_in_xref():
    data = healthy_deck()
    xref = data.rindex(b"\nxref\n")
    return data[:xref + (len(data) - xref) // 2]


def xref_garbage():
    data = healthy_deck()
    start, end = data.rindex(b"\nxref\n") + 6, data.rindex(b"trailer")
    return data[:start] + noise(end - start, 11) + data[end:]


def xref_offsets_wrong():
    # Every entry points 37 bytes into some other object.
    data = healthy_deck()
    start = data.rindex(b"\nxref\n")
    rows = [b"%010d" % (int(row[:10]) + 37) + row[10:] if row.endswith(b" n ") else row
            for row in data[start:].split(b"\n")]
    return data[:start] + b"\n".join(rows)


def startxref_beyond_end():
    data = healthy_deck()
    start = data.rindex(b"startxref\n") + len(b"startxref\n")
    return data[:start] + b"99999999999999999999\n%%EOF\n"


def lying_count(count, real):
    data = deck(slides(real))
    return data.replace(b"] /Count %d" % real, b"] /Count " + count)


def kids_self():
    data = deck(slides(2))
    return data.replace(b"/Kids [3 0 R", b"/Kids [2 0 R 3 0 R")


def kids_cycle():
    # 2 -> 5 -> 2, with the real page beside the loop.
    return document({1: b"<< /Type /Catalog /Pages 2 0 R >>",
                     2: b"<< /Type /Pages /Kids [5 0 R 3 0 R] /Count 3 >>",
                     3: b"<< /Type /Page /Parent 2 0 R /MediaBox " + MEDIA + b" /Resources " + FONTS +
                        b" /Contents 4 0 R >>",
                     4: stream(slide_content(1)),
                     5: b"<< /Type /Pages /Parent 2 0 R /Kids [2 0 R] /Count 2 >>"})


def parent_cycle():
    # The page inherits its box and resources: the walk up never reaches the root.
    return document({1: b"<< /Type /Catalog /Pages 2 0 R >>",
                     2: b"<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox " + MEDIA + b" >>",
                     3: b"<< /Type /Page /Parent 5 0 R /Contents 4 0 R >>",
                     4: stream(slide_content(1)),
                     5: b"<< /Type /Pages /Parent 6 0 R >>",
                     6: b"<< /Type /Pages /Parent 5 0 R >>"})


def leaf(number, parent, media=b""):
    return {number: b"<< /Type /Page /Parent %s%s /Resources " % (ref(parent), media) + FONTS +
                    b" /Contents %s >>" % ref(number + 1),
            number + 1: stream(slide_content(1))}


def tree_exponential(levels):
    # Every node lists the next one twice: 2^levels pages through `levels` objects.
    objects = {1: b"<< /Type /Catalog /Pages 2 0 R >>"}
    for level in range(levels):
        number = 2 + level
        objects[number] = b"<< /Type /Pages /Kids [%s %s] /Count %d >>" % (
            ref(number + 1), ref(number + 1), 2 ** (levels - level))
    objects.update(leaf(2 + levels, 1 + levels, b" /MediaBox " + MEDIA))
    return document(objects)


def tree_deep(depth):
    # One page under `depth` nodes; its box is on the root, so inheriting it climbs them all.
    objects = {1: b"<< /Type /Catalog /Pages 2 0 R >>"}
    for level in range(depth):
        number = 2 + level
        parent = b" /Parent %s" % ref(number - 1) if level else b" /MediaBox " + MEDIA
        objects[number] = b"<< /Type /Pages%s /Kids [%s] /Count 1 >>" % (parent, ref(number + 1))
    objects.update(leaf(2 + depth, 1 + depth))
    return document(objects)


def many_pages(count):
    objects = {1: b"<< /Type /Catalog /Pages 2 0 R >>", 3: stream(slide_content(0), flate=True)}
    for index in range(count):
        objects[4 + index] = b"<< /Type /Page /Parent 2 0 R /Contents 3 0 R >>"
    objects[2] = (b"<< /Type /Pages /MediaBox " + MEDIA + b" /Resources " + FONTS + b" /Kids [" +
                  b" ".join(ref(4 + index) for index in range(count)) + b"] /Count %d >>" % count)
    return document(objects)


def boxes(*media):
    return deck([page(content, box) for content, box in zip(slides(len(media)), media)])


def image_deck(entries, data, inline=b""):
    """A page covered by an image of these dictionary entries and (Flate-compressed) data, then
    an inline image's operators, if given."""
    image = b"<< /Length %d /Type /XObject /Subtype /Image /Filter /FlateDecode " % len(data) + entries + \
            b" >>\nstream\n" + data + b"\nendstream"
    resources = b"<< /XObject << /Im1 90 0 R >> >>"
    return deck([page(b"q 960 0 0 540 0 0 cm /Im1 Do Q " + inline, resources=resources)], {90: image})


def image_self_mask():
    data = zlib.compress(bytes(64 * 64))
    return image_deck(b"/Width 64 /Height 64 /ColorSpace /DeviceGray /BitsPerComponent 8 "
                      b"/SMask 90 0 R /Mask 90 0 R", data)


def forms(count, draw):
    """Form XObjects 90.., each form k drawing what `draw(k)` says with the earlier forms as
    its resources; the page draws the last."""
    objects = {}
    for level in range(count):
        resources = b"<< /XObject << /P %s /Q %s >> >>" % (ref(90 + max(level - 1, 0)),
                                                            ref(90 + (level + 1) % count))
        objects[90 + level] = stream(draw(level), b" /Type /XObject /Subtype /Form /BBox [0 0 960 540]"
                                     b" /Resources " + resources)
    top = b"<< /XObject << /Top %s >> >>" % ref(90 + count - 1)
    return deck([page(b"/Top Do", resources=top)], objects)


def billion_laughs():
    # Ten forms, each drawing the one before ten times: 10^9 rectangles from a few hundred bytes.
    return forms(10, lambda level: b"0 0 1 1 re f" if level == 0 else b"/P Do " * 10)


def form_cycle():
    # Form 0 draws form 1, which draws form 0.
    return forms(2, lambda level: b"/Q Do 0 0 10 10 re f")


def strokes(*dashed):
    return deck([b"0 0 0 RG " + b" ".join(dashed)])


def flate_stream(chunk, count):
    """A whole stream object of `chunk` repeated `count` times, Flate-compressed."""
    data = flate_repeated(chunk, count)
    return b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(data) + data + b"\nendstream"


def millions_of_operators(count):
    return deck([flate_stream(b"0 0 1 1 re f\n" * 1000, count // 2000)])


def nested(depth):
    return b"[" * depth + b"]" * depth + b" " + b"<< /A " * depth + b">> " * depth


def broken_fonts():
    truetype = stream(noise(20000, 3), b" /Length1 20000")
    compact = stream(b"\x01\x00\x04\x02" + noise(5000, 4), b" /Subtype /Type1C")
    descriptor = b"<< /Type /FontDescriptor /FontName /%s /Flags 32 /FontBBox [0 0 1000 1000] " \
                 b"/ItalicAngle 0 /Ascent 800 /Descent -200 /CapHeight 700 /StemV 80 /%s %s >>"
    objects = {
        90: truetype, 91: compact,
        92: descriptor % (b"Garbage", b"FontFile2", ref(90)),
        93: descriptor % (b"Cut", b"FontFile3", ref(91)),
        94: b"<< /Type /Font /Subtype /TrueType /BaseFont /Garbage /FirstChar 32 /LastChar 126 "
            b"/Widths [" + b"500 " * 95 + b"] /FontDescriptor 92 0 R >>",
        95: b"<< /Type /Font /Subtype /Type1 /BaseFont /Cut /FontDescriptor 93 0 R >>",
        # A composite font that is its own descendant, with a width table of holes.
        96: b"<< /Type /Font /Subtype /Type0 /BaseFont /Self /Encoding /Identity-H "
            b"/DescendantFonts [96 0 R] /W [0 [" + b"-1 " * 2000 + b"] 4294967295 [1]] >>",
    }
    resources = b"<< /Font << /F1 94 0 R /F2 95 0 R /F3 96 0 R >> >>"
    text = b"BT /F1 48 Tf 80 400 Td (TrueType) Tj /F2 48 Tf 0 -100 Td (Type1C) Tj " \
           b"/F3 48 Tf 0 -100 Td <0001000200030004> Tj ET"
    return deck([page(text, resources=resources)], objects)


def font_bomb(data):
    # An embedded font file that inflates to 400 MiB of zeros; fonts are read whole.
    font = b"<< /Length %d /Filter /FlateDecode /Length1 419430400 >>\nstream\n" % len(data) + data + \
           b"\nendstream"
    objects = {90: font,
               91: b"<< /Type /FontDescriptor /FontName /Bomb /Flags 32 /FontBBox [0 0 1000 1000] "
                   b"/ItalicAngle 0 /Ascent 800 /Descent -200 /CapHeight 700 /StemV 80 /FontFile2 90 0 R >>",
               92: b"<< /Type /Font /Subtype /TrueType /BaseFont /Bomb /FontDescriptor 91 0 R >>"}
    resources = b"<< /Font << /F1 92 0 R >> >>"
    return deck([page(b"BT /F1 48 Tf 80 300 Td (Bomb) Tj ET", resources=resources)], objects)


def recursive_type3():
    # Each glyph shows two glyphs of its own font.
    font = (b"<< /Type /Font /Subtype /Type3 /FontMatrix [0.001 0 0 0.001 0 0] /FontBBox [0 0 1000 1000] "
            b"/Resources << /Font << /T 90 0 R >> >> /CharProcs << /a 91 0 R >> "
            b"/Encoding << /Differences [97 /a] >> /FirstChar 97 /LastChar 97 /Widths [1000] >>")
    glyph = stream(b"1000 0 d0 0 0 500 500 re f BT /T 1000 Tf (aa) Tj ET")
    resources = b"<< /Font << /T 90 0 R >> >>"
    return deck([page(b"BT /T 200 Tf 100 100 Td (aaa) Tj ET", resources=resources)], {90: font, 91: glyph})


def wrong_lengths():
    content = slide_content(1)
    return deck([b"<< /Length 100000000 >>\nstream\n" + content + b"\nendstream",
                 b"<< /Length -50 >>\nstream\n" + content + b"\nendstream",
                 b"<< /Length 3 >>\nstream\n" + content + b"\nendstream",
                 b"<< /Length 90 0 R >>\nstream\n" + content + b"\nendstream"],
                {90: ref(90)})


def self_references():
    # Box, resources, contents and a length that each name themselves.
    return deck([page(stream(slide_content(1), length=ref(90)), ref(91), ref(92)),
                 page(b"<< /Length 93 0 R >>\nstream\nq Q\nendstream",
                      extra=b" /Parent 5 0 R /Annots 94 0 R")],
                {90: ref(90), 91: ref(91), 92: ref(92), 93: ref(93),
                 94: b"[94 0 R << /Subtype /Link /Rect 94 0 R >>]"})


def long_filter_chain(count):
    data = b"30>"
    return deck([b"<< /Length %d /Filter [" % len(data) + b"/AHx " * count + b"] >>\nstream\n" + data +
                 b"\nendstream"])


def garbage_encryption(dictionary):
    return deck(slides(2), {90: dictionary}, trailer=b"/Encrypt 90 0 R /ID [<00> <00>] ")


def cases():
    """(name, bytes, pages) for every file, in a fixed order; `pages` is how many pages the page
    tree really holds (0 where it holds none)."""
    bomb = flate_repeated(bytes(1 << 20), 400)
    tiny_flate = zlib.compress(bytes(4096))
    huge_inline = b"q 960 0 0 540 0 0 cm BI /W 60000 /H 60000 /CS /RGB /BPC 8 /F /Fl /L %d ID " % \
                  len(tiny_flate) + tiny_flate + b" EI Q"
    far = b"1" + b"0" * 30
    long_line = b"10 10 m 1000000000 530 l S"
    polygon = b" d 10 10 m 950 530 l 10 530 l h S"
    odd_attributes = b" /Rotate 2147483647 /UserUnit 100000 /CropBox [/a (b) null true] /ArtBox 1"
    return [
        ("empty.pdf", b"", 0),
        ("header-only.pdf", HEADER, 0),
        ("garbage.pdf", noise(64 << 10, 1), 0),
        ("truncated-early.pdf", truncated(0.15), 6),
        ("truncated-middle.pdf", cut_in_stream(), 6),
        ("truncated-in-xref.pdf", cut_in_xref(), 6),
        ("xref-garbage.pdf", xref_garbage(), 6),
        ("xref-offsets-wrong.pdf", xref_offsets_wrong(), 6),
        ("startxref-beyond-end.pdf", startxref_beyond_end(), 6),
        ("xref-prev-loop.pdf", deck(slides(2), trailer=b"/Prev @XREF@ "), 2),
        ("count-bigger.pdf", lying_count(b"1000000", 3), 3),
        ("count-smaller.pdf", lying_count(b"1", 5), 5),
        ("count-negative.pdf", lying_count(b"-7", 3), 3),
        ("count-huge.pdf", lying_count(b"9223372036854775807", 3), 3),
        ("kids-self.pdf", kids_self(), 2),
        ("kids-cycle.pdf", kids_cycle(), 1),
        ("parent-cycle.pdf", parent_cycle(), 1),
        ("tree-exponential.pdf", tree_exponential(40), 2 ** 40),
        ("tree-deep.pdf", tree_deep(5000), 1),
        ("pages-20000.pdf", many_pages(20000), 20000),
        ("mediabox-zero.pdf", boxes(b"[0 0 0 0]", b"[100 100 100 300]"), 2),
        ("mediabox-negative.pdf", boxes(b"[0 0 -960 -540]", b"[960 540 0 0]"), 2),
        ("mediabox-huge.pdf", boxes(b"[0 0 %s %s]" % (far, far), b"[-%s 0 %s 1]" % (far, far)), 2),
        ("mediabox-tiny.pdf",
         boxes(b"[0 0 0.000000000000000000000000000001 540]", b"[0 0 0.00001 0.00001]"), 2),
        ("mediabox-not-numbers.pdf",
         boxes(b"[0 0 NaN Infinity]", b"[0 0 1e400 -1e400]", b"[/a (b) null true]", b"(text)"), 4),
        ("page-attributes-odd.pdf", deck([page(content, extra=odd_attributes) for content in slides(2)]), 2),
        ("image-huge-dimensions.pdf", image_deck(b"/Width 60000 /Height 60000 /ColorSpace /DeviceRGB "
                                                 b"/BitsPerComponent 8", tiny_flate, huge_inline), 1),
        ("image-decompression-bomb.pdf", image_deck(b"/Width 20480 /Height 20480 /ColorSpace /DeviceGray "
                                                    b"/BitsPerComponent 8", bomb), 1),
        ("image-self-mask.pdf", image_self_mask(), 1),
        ("xobject-billion-laughs.pdf", billion_laughs(), 1),
        ("xobject-cycle.pdf", form_cycle(), 1),
        ("dash-tiny-long-path.pdf",
         strokes(b"[0.0001 0.0001] 0 d " + long_line, b"[0.011 0.011] 0 d " + long_line), 1),
        ("dash-negative-ctm.pdf",
         strokes(b"-0.00001 0 0 -0.00001 960 540 cm 100000 w [1 1] 0 d 0 0 m 96000000 54000000 l S",
                 b"[2000 2000] 0 d 0 0 m 0 54000000 l S"), 1),
        ("dash-zero-lengths.pdf", strokes(*(pattern + polygon for pattern in (
            b"[0 0] 0", b"[] 0", b"[0] 0", b"[-1 -1] 0", b"[1 -1] 0", b"[1 1] 100000000000000000000"))), 1),
        ("dash-pattern-huge.pdf", strokes(b"[" + b"0.001 " * 100000 + b"] 0" + polygon), 1),
        ("content-millions-of-operators.pdf", millions_of_operators(4000000), 1),
        ("content-decompression-bomb.pdf", deck([flate_stream(b" " * (1 << 20), 400)]), 1),
        ("content-unbalanced-save.pdf", deck([b"q 1 0 0 1 0.001 0 cm " * 1000000 + b"0 0 10 10 re f"]), 1),
        ("content-deep-nesting.pdf", deck([b"BT /F1 12 Tf " + nested(200000) + b" TJ ET"]), 1),
        ("object-deep-nesting.pdf", deck([page(slide_content(1), extra=b" /Junk " + nested(100000))]), 1),
        ("fonts-broken.pdf", broken_fonts(), 1),
        ("font-decompression-bomb.pdf", font_bomb(bomb), 1),
        ("font-type3-recursive.pdf", recursive_type3(), 1),
        ("stream-lengths-wrong.pdf", wrong_lengths(), 4),
        ("self-references.pdf", self_references(), 2),
        ("filter-chain-long.pdf", long_filter_chain(20000), 1),
        ("encryption-unknown.pdf", garbage_encryption(b"<< /Filter /Standard /V 99 /R 99 /O <00> /U <00> "
                                                      b"/P -1 /Length 99999 >>"), 2),
        ("encryption-aes-garbage.pdf", garbage_encryption(
            b"<< /Filter /Standard /V 5 /R 6 /Length 256 /O <" + noise(48, 5).hex().encode() + b"> /U <" +
            noise(48, 6).hex().encode() + b"> /OE <00> /UE <00> /Perms <00> /P -4 "
            b"/CF << /StdCF << /CFM /AESV3 /Length 32 >> >> /StmF /StdCF /StrF /StdCF >>"), 2),
    ]


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_damaged_pdfs.py FOLDER")
    folder = pathlib.Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    for name, data, _ in cases():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
