#!/usr/bin/env python3
"""Seeds of the reader fuzz targets (workbook/fuzz), and the replay files made from
what they find.

  tools/fuzz_seeds.py OUTDIR WORKBOOK...
      For each .xlsx and .ods: the file itself and its parts as a list ("--part NAME"
      lines, each followed by the part's text), which the target packs into a valid
      zip; for each .xls the file itself. OUTDIR gets xlsx/, ods/ and xls/.
  tools/fuzz_seeds.py --pack INPUT OUTFILE
      The workbook an input stands for: a list of parts packed as the target packs it
      (stored entries), any other input as it is. A finding so packed is what the
      replay test reads (tests/workbook/fuzz/).
"""

import os
import struct
import sys
import zipfile
import zlib

MARKER = b"--part "


def parts_of(listing):
    """The (name, data) pairs of a list of parts, split as the target splits them."""
    parts = []
    at = listing.find(MARKER)
    while at >= 0:
        eol = listing.find(b"\n", at)
        if eol < 0:
            break
        name = listing[at + len(MARKER):eol]
        nxt = listing.find(b"\n" + MARKER, eol)
        parts.append((name, listing[eol + 1:] if nxt < 0 else listing[eol + 1:nxt]))
        at = -1 if nxt < 0 else nxt + 1
    return parts


def stored_zip(parts):
    out, central = bytearray(), bytearray()
    for name, data in parts:
        crc = zlib.crc32(data) & 0xFFFFFFFF
        offset = len(out) & 0xFFFFFFFF
        size = len(data) & 0xFFFFFFFF
        out += struct.pack("<IHHHIIIIHH", 0x04034B50, 20, 0, 0, 0, crc, size, size,
                           len(name) & 0xFFFF, 0) + name + data
        central += struct.pack("<IHHHHIIIIHHHHHII", 0x02014B50, 20, 20, 0, 0, 0, crc, size,
                               size, len(name) & 0xFFFF, 0, 0, 0, 0, 0, offset) + name
    at = len(out) & 0xFFFFFFFF
    n = len(parts) & 0xFFFF
    return bytes(out + central + struct.pack("<IIHHIIH", 0x06054B50, 0, n, n,
                                             len(central) & 0xFFFFFFFF, at, 0))


def pack(source, target):
    with open(source, "rb") as f:
        data = f.read()
    if data.startswith(MARKER):
        data = stored_zip(parts_of(data))
    with open(target, "wb") as f:
        f.write(data)


def seeds(out, paths):
    for path in paths:
        ext = path.rsplit(".", 1)[-1].lower()
        if ext not in ("xlsx", "ods", "xls"):
            continue
        folder = os.path.join(out, ext)
        os.makedirs(folder, exist_ok=True)
        base = os.path.basename(path)
        with open(path, "rb") as f:
            raw = f.read()
        with open(os.path.join(folder, base), "wb") as f:
            f.write(raw)
        if ext == "xls":
            continue
        try:
            with zipfile.ZipFile(path) as z:
                listing = b"".join(MARKER + n.encode() + b"\n" + z.read(n) + b"\n"
                                   for n in z.namelist())
        except (zipfile.BadZipFile, zipfile.LargeZipFile, OSError, RuntimeError, ValueError):
            continue
        if len(listing) <= 1024 * 1024:
            with open(os.path.join(folder, base + ".parts"), "wb") as f:
                f.write(listing)


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--pack":
        pack(sys.argv[2], sys.argv[3])
    elif len(sys.argv) >= 2 and not sys.argv[1].startswith("-"):
        seeds(sys.argv[1], sys.argv[2:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
