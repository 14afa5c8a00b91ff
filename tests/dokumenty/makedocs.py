#!/usr/bin/python3
"""Makes the test documents of the document reader, into a folder:

    makedocs.py FOLDER            the notice in every format, a scan, bombs
    makedocs.py FOLDER big MB     a text PDF of about MB megabytes (benchmark)

Everything is written here at test time: PDFs with reportlab (and a few by
hand, where the point is a malformed or hostile structure), DOCX and ODT with
zipfile, RTF and DOC byte by byte.
"""
import os
import struct
import sys
import zipfile
import zlib

# The notice the tests look for, in every format.
NOTICE = [
    "Obwieszczenie Wójta Gminy Kampinos",
    "znak OŚ.6220.3.2026",
    "o wszczęciu postępowania w sprawie wydania decyzji o środowiskowych uwarunkowaniach",
    "Zażółć gęślą jaźń. ZAŻÓŁĆ GĘŚLĄ JAŹŃ.",
    "Strony mogą składać uwagi w terminie do 15 stycznia 2027 r.",
]

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def pdf_notice(path, lines=NOTICE):
    from reportlab.pdfbase import pdfmetrics
    from reportlab.pdfbase.ttfonts import TTFont
    from reportlab.pdfgen import canvas
    pdfmetrics.registerFont(TTFont("DejaVu", FONT))
    c = canvas.Canvas(path, invariant=1)
    c.setFont("DejaVu", 11)
    y = 800
    for line in lines:
        c.drawString(60, y, line)
        y -= 18
    c.showPage()
    c.save()


def pdf_big(path, megabytes):
    """Pages of dense Polish text until the file is about that big."""
    from reportlab.pdfbase import pdfmetrics
    from reportlab.pdfbase.ttfonts import TTFont
    from reportlab.pdfgen import canvas
    pdfmetrics.registerFont(TTFont("DejaVu", FONT))
    # No compression: the size then is the text's, as in the PDFs offices scan-less export.
    c = canvas.Canvas(path, invariant=1, pageCompression=0)
    target = megabytes * 1024 * 1024
    page = 0
    while True:
        c.setFont("DejaVu", 7)
        y = 820
        for i in range(100):
            c.drawString(20, y, "%d.%d Obwieszczenie znak OŚ.6220.%d.2026, uwagi w terminie do 15 stycznia 2027 r. Zażółć gęślą jaźń." % (page, i, page))
            y -= 8
        c.showPage()
        page += 1
        if page % 20 == 0:
            # The canvas holds the pages in memory; their size is near enough.
            if sum(len(p) for p in getattr(c._doc, "_pages_sizes", [])) >= target or page * 13000 >= target:
                break
    c.save()


def pdf_pages(path, count):
    """A PDF of many empty pages."""
    from reportlab.pdfgen import canvas
    c = canvas.Canvas(path, invariant=1)
    for _ in range(count):
        c.showPage()
    c.save()


def pdf_by_hand(path, objects):
    """A PDF whose objects are given as bytes; the cross-reference table made here."""
    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, start=1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    with open(path, "wb") as f:
        f.write(out)


def stream(dictionary, data):
    return b"<< " + dictionary + b" /Length %d >>\nstream\n" % len(data) + data + b"\nendstream"


def pdf_scan(path):
    """One page that is only a picture: a grey image, as a scanner makes."""
    width, height = 200, 100
    pixels = bytes((x * 7 + y * 3) % 256 for y in range(height) for x in range(width))
    image = stream(b"/Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceGray "
                   b"/BitsPerComponent 8 /Filter /FlateDecode" % (width, height), zlib.compress(pixels))
    content = b"q 400 0 0 200 100 500 cm /Im1 Do Q"
    pdf_by_hand(path, [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /XObject << /Im1 4 0 R >> >> /Contents 5 0 R >>",
        image,
        stream(b"", content),
    ])


def deflated(piece, times):
    """piece repeated times over, deflated without ever holding it whole."""
    packer = zlib.compressobj(9)
    out = bytearray()
    for _ in range(times):
        out += packer.compress(piece)
    out += packer.flush()
    return bytes(out)


def pdf_deflate_bomb(path, megabytes):
    """A page whose content stream is small packed and huge unpacked: text
    operators without end, one string growing to megabytes."""
    piece = b"A" * (1024 * 1024)
    content = b"BT /F1 12 Tf 72 700 Td ("
    packer = zlib.compressobj(9)
    body = bytearray(packer.compress(content))
    for _ in range(megabytes):
        body += packer.compress(piece)
    body += packer.compress(b") Tj ET")
    body += packer.flush()
    pdf_by_hand(path, [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        stream(b"/Filter /FlateDecode", bytes(body)),
    ])


def pdf_slow(path, megabytes):
    """A page of endless cheap operators: little memory, much time."""
    content = deflated(b"q Q " * 262144, megabytes)
    pdf_by_hand(path, [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R >>",
        stream(b"/Filter /FlateDecode", content),
    ])


def garbage(path, size):
    import random
    noise = random.Random(7)
    with open(path, "wb") as f:
        f.write(bytes(noise.randrange(256) for _ in range(size)))


if __name__ == "__main__":
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    at = lambda name: os.path.join(folder, name)
    if len(sys.argv) > 2 and sys.argv[2] == "big":
        pdf_big(at("duzy.pdf"), int(sys.argv[3]))
        sys.exit(0)
    pdf_notice(at("obwieszczenie.pdf"))
    pdf_scan(at("skan.pdf"))
    pdf_pages(at("strony.pdf"), 2000)
    pdf_deflate_bomb(at("bomba.pdf"), 400)
    pdf_slow(at("wolny.pdf"), 256)
    garbage(at("smieci.bin"), 20000)
