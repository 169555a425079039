#!/usr/bin/env python3
"""Writes the seeds of the reader fuzz targets (intake/fuzz) from workbooks: for each
.xlsx and .ods the raw file and its parts as a list ("--part NAME" lines, each followed
by the part's text), for each .xls the raw file; each seed starts with the byte that
tells the target which kind it is (0 raw, 1 list of parts).

Usage: tools/fuzz_seeds.py OUTDIR WORKBOOK...   (OUTDIR gets xlsx/, ods/, xls/)
"""

import os
import sys
import zipfile


def main():
    out = sys.argv[1]
    for path in sys.argv[2:]:
        ext = path.rsplit(".", 1)[-1].lower()
        if ext not in ("xlsx", "ods", "xls"):
            continue
        folder = os.path.join(out, ext)
        os.makedirs(folder, exist_ok=True)
        base = os.path.basename(path)
        with open(path, "rb") as f:
            raw = f.read()
        with open(os.path.join(folder, base + ".raw"), "wb") as f:
            f.write(b"\0" + raw)
        if ext == "xls":
            continue
        try:
            with zipfile.ZipFile(path) as z:
                listing = b"".join(b"--part " + n.encode() + b"\n" + z.read(n) + b"\n"
                                   for n in z.namelist())
        except zipfile.BadZipFile:
            continue
        with open(os.path.join(folder, base + ".parts"), "wb") as f:
            f.write(b"\1" + listing)


if __name__ == "__main__":
    main()
