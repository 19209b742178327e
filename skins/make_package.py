#!/usr/bin/env python3
"""Packs one skin folder into a resource package (a ZIP archive).

    make_package.py <folder> <package file>

Files keep their paths relative to the folder, with "/" separators, in sorted order.
Pictures are stored (PNG data is compressed already), text files deflated. Every entry
carries the same fixed time stamp, so the same sources give the same package bytes.
"""
import os
import sys
import zipfile

STAMP = (2020, 1, 1, 0, 0, 0)


def main(folder, package):
    names = []
    for root, _, files in os.walk(folder):
        for f in files:
            names.append(os.path.relpath(os.path.join(root, f), folder).replace(os.sep, "/"))
    os.makedirs(os.path.dirname(os.path.abspath(package)), exist_ok=True)
    tmp = package + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        for name in sorted(names):
            info = zipfile.ZipInfo(name, STAMP)
            info.compress_type = zipfile.ZIP_STORED if name.lower().endswith(".png") else zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            with open(os.path.join(folder, name), "rb") as src:
                z.writestr(info, src.read())
    os.replace(tmp, package)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
