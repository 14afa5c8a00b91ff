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

    def write(pages):
        # Uncompressed, so that the size is the text's.
        c = canvas.Canvas(path, invariant=1, pageCompression=0)
        for page in range(pages):
            c.setFont("DejaVu", 7)
            y = 820
            for i in range(100):
                c.drawString(20, y, "%d.%d Obwieszczenie znak OŚ.6220.%d.2026, uwagi w terminie do 15 stycznia "
                                    "2027 r. Zażółć gęślą jaźń." % (page, i, page))
                y -= 8
            c.showPage()
        c.save()
        return os.path.getsize(path)

    target = megabytes * 1024 * 1024
    size = write(20)
    # The size grows with the pages; a little over, so as not to fall short.
    write(int(20 * target / size * 1.05) + 1)


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


def deflated(piece, times, head=b"", tail=b"", raw=False):
    """head, piece repeated times over, tail: deflated without ever being
    whole. A full flush after the piece makes its packed form stand alone,
    so that it can simply be repeated."""
    packer = zlib.compressobj(9, zlib.DEFLATED, -15 if raw else 15)
    out = bytearray(packer.compress(head) + packer.flush(zlib.Z_FULL_FLUSH))
    block = packer.compress(piece) + packer.flush(zlib.Z_FULL_FLUSH)
    out += block * times
    out += packer.compress(tail) + packer.flush()
    if not raw:
        # The zlib wrapper ends with the Adler-32 of the whole, which a
        # repeated block does not update: put the right one.
        adler = zlib.adler32(head)
        for _ in range(times):
            adler = zlib.adler32(piece, adler)
        adler = zlib.adler32(tail, adler)
        out[-4:] = struct.pack(">I", adler)
    return bytes(out)


def pdf_deflate_bomb(path, megabytes):
    """A page whose content stream is small packed and huge unpacked: one
    string growing to megabytes."""
    body = deflated(b"A" * (1024 * 1024), megabytes, b"BT /F1 12 Tf 72 700 Td (", b") Tj ET")
    pdf_by_hand(path, [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        stream(b"/Filter /FlateDecode", body),
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


def escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"


def docx_body(lines):
    """document.xml: one paragraph a line, a line split over runs, a tab, a
    deleted run and a tab stop that must not show, a text box's paragraph."""
    paragraphs = []
    for i, line in enumerate(lines):
        half = len(line) // 2
        paragraphs.append(
            '<w:p><w:pPr><w:tabs><w:tab w:val="left" w:pos="720"/></w:tabs></w:pPr>'
            '<w:r><w:rPr><w:b/></w:rPr><w:t xml:space="preserve">%s</w:t></w:r>'
            '<w:del w:id="%d" w:author="x"><w:r><w:delText>USUNIĘTE</w:delText></w:r></w:del>'
            '<w:r><w:t>%s</w:t></w:r></w:p>' % (escape(line[:half]), i, escape(line[half:])))
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<w:document xmlns:w="%s" xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006">'
            '<w:body>%s<w:p><w:r><w:t>Kampinos</w:t></w:r><w:r><w:tab/><w:t>dnia 2 grudnia 2026 r.</w:t></w:r></w:p>'
            '<w:p><w:r><mc:AlternateContent><mc:Choice Requires="wps"><w:drawing><w:txbxContent>'
            '<w:p><w:r><w:t>Ramka z tekstem</w:t></w:r></w:p></w:txbxContent></w:drawing></mc:Choice>'
            '<mc:Fallback><w:pict><w:p><w:r><w:t>Ramka z tekstem</w:t></w:r></w:p></w:pict></mc:Fallback>'
            '</mc:AlternateContent></w:r></w:p></w:body></w:document>' % (W, "".join(paragraphs)))


def docx(path, body, store_declared=None):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml",
                   '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                   '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>')
        z.writestr("_rels/.rels", '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"/>')
        z.writestr("word/document.xml", body)


def zip_bomb(path, name, head, piece, megabytes):
    """A ZIP whose one entry inflates to megabytes of markup (head, then the
    piece over and over), packed as it is made; its headers claim 1 KB."""
    piece = piece * (1024 * 1024 // len(piece))
    packed = deflated(piece, megabytes, head, raw=True)
    crc = zlib.crc32(head)
    for _ in range(megabytes):
        crc = zlib.crc32(piece, crc)
    name = name.encode()
    declared = 1024
    local = struct.pack("<4sHHHHHIIIHH", b"PK\x03\x04", 20, 0, 8, 0, 0, crc, len(packed), declared, len(name), 0)
    central = struct.pack("<4sHHHHHHIIIHHHHHII", b"PK\x01\x02", 20, 20, 0, 8, 0, 0, crc, len(packed), declared,
                          len(name), 0, 0, 0, 0, 0, 0)
    body = local + name + packed
    directory = central + name
    end = struct.pack("<4sHHHHIIH", b"PK\x05\x06", 0, 0, 1, 1, len(directory), len(body), 0)
    with open(path, "wb") as f:
        f.write(body + directory + end)


ODF = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
       'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"')


def odt(path, lines):
    """content.xml: headings and paragraphs, spaces as <text:s>, white space
    in the markup collapsed, a list, a tracked deletion and a comment that
    must not show."""
    body = ['<text:h text:outline-level="1">%s</text:h>' % escape(lines[0])]
    for line in lines[1:]:
        words = escape(line).split(" ")
        body.append("<text:p>\n   %s\n</text:p>" % "<text:s/>".join(words))
    content = ('<?xml version="1.0" encoding="UTF-8"?><office:document-content %s office:version="1.2">'
               '<office:body><office:text><text:tracked-changes><text:changed-region text:id="c1"><text:deletion>'
               '<text:p>USUNIĘTE</text:p></text:deletion></text:changed-region></text:tracked-changes>%s'
               '<text:list><text:list-item><text:p>Kampinos,<text:tab/>dnia<text:s text:c="3"/>2 grudnia 2026 r.'
               '<office:annotation><text:p>uwaga redakcyjna</text:p></office:annotation></text:p></text:list-item></text:list>'
               '</office:text></office:body></office:document-content>' % (ODF, "".join(body)))
    with zipfile.ZipFile(path, "w") as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.text", zipfile.ZIP_STORED)
        z.writestr("content.xml", content, zipfile.ZIP_DEFLATED)
        z.writestr("META-INF/manifest.xml", '<?xml version="1.0"?><manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0"/>', zipfile.ZIP_DEFLATED)


LAUGHS = ('<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol "lol">'
          '<!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">'
          '<!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">]>'
          '<w:document xmlns:w="%s"><w:body><w:p><w:r><w:t>&lol3;</w:t></w:r></w:p></w:body></w:document>' % W)


def rtf_bytes(text):
    """Non-ASCII as \\'xx in Windows-1250."""
    out = ""
    for ch in text:
        out += ch if ord(ch) < 128 else "\\'%02x" % ch.encode("cp1250")[0]
    return out


def rtf_unicode(text):
    """Non-ASCII as \\uN with a '?' for readers without Unicode."""
    out = ""
    for ch in text:
        code = ord(ch)
        out += ch if code < 128 else "\\u%d?" % (code if code < 32768 else code - 65536)
    return out


def rtf(path, lines, wordpad=False):
    """The notice in RTF: escapes of both kinds, a field, a picture, a
    "\\*" destination, tables of fonts and colours that must not show.
    The WordPad kind says code page 1252 and means 1250 by its font."""
    if wordpad:
        head = (r"{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fnil\fcharset238 Calibri;}"
                r"{\f1\fnil\fcharset0 Arial;}}")
    else:
        head = r"{\rtf1\ansi\ansicpg1250\deff0{\fonttbl{\f0\froman\fprq2 Times New Roman;}}"
    body = head + r"{\colortbl;\red0\green0\blue0;}{\*\generator Pisarz 1.0;}" + "\r\n"
    body += r"{\info{\title Obwieszczenie}}\pard\plain\f0\fs24 "
    body += r"{\b " + rtf_bytes(lines[0]) + r"}\par" + "\r\n"
    body += rtf_unicode(lines[1]) + r"\par "
    body += r"{\pict\pngblip\picw10\pich10 89504e470d0a1a0a}" + rtf_bytes(lines[2]) + "\r\n" + r"\par "
    # Two fallback bytes for the first "ż", in its own group.
    body += "Za" + r"{\uc2\u380\'bf\'bf}" + rtf_unicode(lines[3][3:]) + r"\par "
    first, rest = lines[4].split(" ", 1)
    body += r'{\field{\*\fldinst HYPERLINK "https://bip.example/"}{\fldrslt ' + first + "}} " + rtf_bytes(rest)
    body += r"\line Kampinos,\tab dnia 2\~grudnia 2026\~r.\par}"
    with open(path, "wb") as f:
        f.write(body.encode("ascii"))


FREE, END, FATSECT, NOSTREAM = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFF


def cfb(streams):
    """A compound file (version 3, 512-byte sectors) of named streams at its
    root: those of 4096 bytes and more in sectors of their own, smaller ones
    in the mini stream, as the format wants."""
    big = [(n, d) for n, d in streams if len(d) >= 4096]
    small = [(n, d) for n, d in streams if len(d) < 4096]
    mini = bytearray()
    minifat = []
    starts = {}
    for name, data in small:
        first = len(mini) // 64
        count = max(1, (len(data) + 63) // 64)
        minifat += [first + i + 1 for i in range(count - 1)] + [END]
        starts[name] = first
        mini += data + b"\0" * (count * 64 - len(data))
    sectors = []            # the file's sectors after the header, in order

    def add_chain(data):
        first = len(sectors)
        count = max(1, (len(data) + 511) // 512)
        for i in range(count):
            sectors.append(bytes(data[i * 512:(i + 1) * 512]).ljust(512, b"\0"))
        return first, count

    chains = []
    sectors.append(None)    # 0: the allocation table, filled in at the end
    directory_at, _ = add_chain(b"")  # 1: the directory, filled in below
    minifat_at, minifat_n = add_chain(b"".join(struct.pack("<I", x) for x in minifat).ljust(512, b"\xff"))
    chains.append((minifat_at, minifat_n))
    mini_at, mini_n = add_chain(mini)
    chains.append((mini_at, mini_n))
    for name, data in big:
        first, count = add_chain(data)
        starts[name] = first
        chains.append((first, count))
    fat = [FREE] * 128
    fat[0] = FATSECT
    fat[directory_at] = END
    for first, count in chains:
        for i in range(count - 1):
            fat[first + i] = first + i + 1
        fat[first + count - 1] = END
    sectors[0] = b"".join(struct.pack("<I", x) for x in fat)

    def entry(name, kind, left, right, child, start, size):
        encoded = name.encode("utf-16-le")
        return (encoded.ljust(64, b"\0") + struct.pack("<HBB", len(encoded) + 2, kind, 1)
                + struct.pack("<III", left, right, child) + b"\0" * 36 + struct.pack("<II", start, size) + b"\0" * 4)

    names = [n for n, _ in streams]
    entries = [entry("Root Entry", 5, NOSTREAM, NOSTREAM, 1, mini_at, len(mini))]
    for i, (name, data) in enumerate(streams):
        right = i + 2 if i + 1 < len(streams) else NOSTREAM
        entries.append(entry(name, 2, NOSTREAM, right, NOSTREAM, starts[name], len(data)))
    sectors[directory_at] = b"".join(entries).ljust(512, b"\0")
    header = (b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16
              + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6
              + struct.pack("<IIIIIIIII", 0, 1, directory_at, 0, 4096, minifat_at, minifat_n, END, 0)
              + struct.pack("<I", 0) + struct.pack("<I", FREE) * 108)
    assert len(header) == 512 and len(names) == len(set(names))
    return header + b"".join(sectors)


def doc(path, lines):
    """A Word 97 document: its text in three pieces (UTF-16, 8-bit Windows-
    1250 as a Polish document has it, UTF-16 again), a field whose code must
    not show, and a footnote after the main text that must not either."""
    first, rest = lines[4].split(" ", 1)
    pieces = [
        (False, lines[0] + "\r" + lines[1] + "\r"),
        (True, lines[2] + "\r"),
        (False, lines[3] + "\r\x13 HYPERLINK \"https://bip.example/\" \x14" + first + "\x15 " + rest + "\x0b"
                + "Kampinos,\tdnia 2\xa0grudnia 2026 r.\r"),
    ]
    footnote = "Przypis niewidoczny\r"
    pieces[-1] = (False, pieces[-1][1] + footnote)
    main_length = sum(len(t) for _, t in pieces) - len(footnote)
    fib_size = 32 + 2 + 28 + 2 + 88 + 2 + 93 * 8 + 2
    word = bytearray(b"\0" * 1024)
    positions = []
    for compressed, text in pieces:
        offset = len(word)
        if compressed:
            word += text.encode("cp1250")
            positions.append((offset * 2) | 0x40000000)
        else:
            word += text.encode("utf-16-le")
            positions.append(offset)
        word += b"\0" * (-len(word) % 512)
    # Word's own files are bigger than the mini stream's cutoff, so that the
    # text has sectors of its own; the table stays in the mini stream.
    word += b"\0" * max(0, 4608 - len(word))
    cps = [0]
    for _, text in pieces:
        cps.append(cps[-1] + len(text))
    plc = b"".join(struct.pack("<I", cp) for cp in cps) + b"".join(struct.pack("<HIH", 0, fc, 0) for fc in positions)
    clx = b"\x01" + struct.pack("<H", 3) + b"\x00\x00\x00" + b"\x02" + struct.pack("<I", len(plc)) + plc
    table = b"\0" * 16 + clx
    rglw = [0] * 22
    rglw[0] = len(word)
    rglw[3] = main_length
    rglw[4] = len(footnote)
    fclcb = [0] * (93 * 2)
    fclcb[33 * 2] = 16
    fclcb[33 * 2 + 1] = len(clx)
    fib = (struct.pack("<HHHHHHH", 0xA5EC, 0x00C1, 0, 0x0415, 0, 0x1200, 0x00BF) + b"\0" * 18
           + struct.pack("<H", 14) + b"\0" * 28
           + struct.pack("<H", 22) + b"".join(struct.pack("<I", x) for x in rglw)
           + struct.pack("<H", 93) + b"".join(struct.pack("<I", x) for x in fclcb)
           + struct.pack("<H", 0))
    assert len(fib) == fib_size
    word[:fib_size] = fib
    with open(path, "wb") as f:
        f.write(cfb([("WordDocument", bytes(word)), ("1Table", table)]))


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
    docx(at("obwieszczenie.docx"), docx_body(NOTICE))
    docx(at("dtd.docx"), LAUGHS)
    docx(at("urwany.docx"), docx_body(NOTICE)[:700])
    zip_bomb(at("bomba.docx"), "word/document.xml",
             b'<?xml version="1.0"?><w:document xmlns:w="%s"><w:body>' % W.encode(),
             b"<w:p><w:r><w:t>a</w:t></w:r></w:p>", 2048)
    odt(at("obwieszczenie.odt"), NOTICE)
    rtf(at("obwieszczenie.rtf"), NOTICE)
    rtf(at("wordpad.rtf"), NOTICE, wordpad=True)
    with open(at("zagniezdzony.rtf"), "wb") as f:
        f.write(b"{\\rtf1 " + b"{" * 100000 + b"tekst")
    doc(at("obwieszczenie.doc"), NOTICE)
    with open(at("obwieszczenie.doc"), "rb") as f:
        whole = f.read()
    with open(at("urwany.doc"), "wb") as f:
        f.write(whole[:3000])
    # The directory's second entry names itself as its sibling.
    looped = bytearray(whole)
    looped[512 + 512 + 128 + 72:512 + 512 + 128 + 76] = struct.pack("<I", 1)
    with open(at("petla.doc"), "wb") as f:
        f.write(looped)
    zip_bomb(at("bomba.odt"), "content.xml",
             b'<?xml version="1.0"?><office:document-content %s><office:body><office:text>' % ODF.encode(),
             b"<text:p>a</text:p>", 2048)
