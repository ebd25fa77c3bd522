#!/usr/bin/env python3
"""Writes a PDF of the first lines of a text, 66 lines a page in 9-point
Helvetica with compressed page streams, for bench/pdf.sh.

    python3 bench/genpdf.py TEXT OUT.pdf [LINES]
"""
import sys
import zlib

LINES_PER_PAGE = 66


def escaped(line):
    text = line.encode("latin-1", "replace")
    return text.replace(b"\\", b"\\\\").replace(b"(", b"\\(").replace(b")", b"\\)")


def main():
    source, target = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 40000
    with open(source, encoding="utf-8", errors="replace") as f:
        lines = [next(f, "").rstrip("\r\n") for _ in range(count)]
    pages = [lines[i:i + LINES_PER_PAGE] for i in range(0, len(lines), LINES_PER_PAGE)]

    objects = [b"<< /Type /Catalog /Pages 2 0 R >>", b"",
               b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"]
    kids = []
    for page in pages:
        body = b"BT /F1 9 Tf 11 TL 40 760 Td " + b"".join(
            b"(" + escaped(line) + b") Tj T* " for line in page) + b"ET"
        stream = zlib.compress(body)
        kids.append(len(objects) + 1)
        objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources "
                       b"<< /Font << /F1 3 0 R >> >> /Contents %d 0 R >>" % (len(objects) + 2))
        objects.append(b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(stream) +
                       stream + b"\nendstream")
    objects[1] = b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % k for k in kids) + \
        b"] /Count %d >>" % len(kids)

    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % o for o in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, xref)
    with open(target, "wb") as f:
        f.write(out)
    print(f"{target}: {len(pages)} pages, {len(out)} bytes")


if __name__ == "__main__":
    main()
