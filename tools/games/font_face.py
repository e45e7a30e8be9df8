#!/usr/bin/env python3
"""Writes one face of a TrueType collection (.ttc) as a plain .ttf that Haxe
can embed in a movie: Haxe reads only plain fonts, and of the character maps
only the Unicode one of format 4, so the others are left out.

    font_face.py FONT OUTPUT [INDEX]
"""

import struct
import sys


def unicode_map(cmap):
    """The cmap table with only its format 4 subtables."""
    count = struct.unpack(">H", cmap[2:4])[0]
    kept = []
    for i in range(count):
        platform, encoding, where = struct.unpack(">HHI", cmap[4 + 8 * i:12 + 8 * i])
        form, length = struct.unpack(">HH", cmap[where:where + 4])
        if form == 4:
            kept.append((platform, encoding, cmap[where:where + length]))
    if not kept:
        raise SystemExit("the font has no Unicode character map of format 4")
    head = struct.pack(">HH", 0, len(kept))
    records, tables = b"", b""
    offset = 4 + 8 * len(kept)
    for platform, encoding, table in kept:
        records += struct.pack(">HHI", platform, encoding, offset + len(tables))
        tables += table
    return head + records + tables


def checksum(table):
    padded = table + b"\0" * (-len(table) % 4)
    return sum(struct.unpack(">%dI" % (len(padded) // 4), padded)) & 0xFFFFFFFF


def face(data, index):
    start = 0
    if data[:4] == b"ttcf":
        count = struct.unpack(">I", data[8:12])[0]
        if index >= count:
            raise SystemExit("the collection has %d faces" % count)
        start = struct.unpack(">I", data[12 + 4 * index:16 + 4 * index])[0]
    version, tables = struct.unpack(">IH", data[start:start + 6])
    records = [struct.unpack(">4sIII", data[start + 12 + 16 * i:start + 28 + 16 * i]) for i in range(tables)]
    header = bytearray(data[start:start + 12])
    directory = bytearray()
    body = bytearray()
    offset = 12 + 16 * tables
    for tag, sum_, where, length in records:
        table = data[where:where + length]
        if tag == b"cmap":
            table = unicode_map(table)
            sum_ = checksum(table)
        directory += struct.pack(">4sIII", tag, sum_, offset + len(body), len(table))
        body += table
        body += b"\0" * (-len(body) % 4)
    return bytes(header + directory + body)


def main():
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    with open(sys.argv[2], "wb") as f:
        f.write(face(data, int(sys.argv[3]) if len(sys.argv) > 3 else 0))


if __name__ == "__main__":
    main()
