#!/usr/bin/env python3
"""Writes a multi-page PostScript print job like a PostScript driver renders
one: DSC comments, a prolog, then pages of text and vector drawing.

    make_job.py OUTPUT [PAGES]

The bytes are a pure function of PAGES, so runs can be compared."""
import math
import sys


def page(number, pages):
    out = [f"%%Page: {number} {number}\n", "%%BeginPageSetup\nsave\n%%EndPageSetup\n"]
    out.append("/Helvetica-Bold findfont 28 scalefont setfont\n")
    out.append(f"72 740 moveto (Qinghezhou test print, page {number} of {pages}) show\n")
    out.append("/Helvetica findfont 10 scalefont setfont\n")
    # A rosette of strokes and a table of text lines: enough operators per
    # page to make a job of realistic size.
    for i in range(360):
        a = math.radians(i * (7 + number % 5))
        r = 150 + 60 * math.sin(3 * a + number)
        x, y = 306 + r * math.cos(a), 420 + r * math.sin(a)
        out.append(f"{0.3 + (i % 7) / 10:.2f} {(i % 11) / 11:.3f} {(number * 37 % 100) / 100:.2f} setrgbcolor "
                   f"306 420 moveto {x:.2f} {y:.2f} lineto stroke\n")
    for line in range(40):
        out.append(f"72 {200 - line * 4:.0f} moveto (row {line:02d} of page {number}: "
                   f"the quick brown fox jumps over the lazy dog {number * line}) show\n")
    out.append("restore showpage\n%%PageTrailer\n")
    return "".join(out)


def job(pages):
    head = ("%!PS-Adobe-3.0\n%%Creator: make_job.py\n%%Title: relay demo job\n"
            f"%%Pages: {pages}\n%%BoundingBox: 0 0 612 792\n%%DocumentData: Clean7Bit\n%%EndComments\n"
            "%%BeginProlog\n/bd {bind def} bind def\n/m {moveto} bd /l {lineto} bd\n%%EndProlog\n"
            "%%BeginSetup\n<< /PageSize [612 792] >> setpagedevice\n%%EndSetup\n")
    body = "".join(page(n, pages) for n in range(1, pages + 1))
    return (head + body + "%%Trailer\n%%EOF\n").encode("ascii")


if __name__ == "__main__":
    pages = int(sys.argv[2]) if len(sys.argv) > 2 else 24
    with open(sys.argv[1], "wb") as f:
        f.write(job(pages))
