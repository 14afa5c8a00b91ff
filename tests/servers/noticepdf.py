#!/usr/bin/python3
"""Writes a PDF of a notice with a text layer, as offices publish them.

  noticepdf.py PLIK.pdf < tekst    one paragraph a line of the UTF-8 text on
                                   stdin, in DejaVu Sans (Polish letters),
                                   wrapped to the page, pages as needed

Run with Debian's /usr/bin/python3 (python3-reportlab, fonts-dejavu-core).
"""
import sys

from reportlab.lib.pagesizes import A4
from reportlab.lib.styles import ParagraphStyle
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.platypus import Paragraph, SimpleDocTemplate
from xml.sax.saxutils import escape

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def main():
    if len(sys.argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    pdfmetrics.registerFont(TTFont("DejaVuSans", FONT))
    style = ParagraphStyle("tekst", fontName="DejaVuSans", fontSize=11, leading=15, spaceAfter=8)
    story = [Paragraph(escape(line), style) for line in sys.stdin.read().splitlines() if line.strip()]
    SimpleDocTemplate(sys.argv[1], pagesize=A4, title="Obwieszczenie", author="Ekowarta (test)").build(story)
    return 0


if __name__ == "__main__":
    sys.exit(main())
