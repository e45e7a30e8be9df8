#!/usr/bin/env python3
"""Read the outline of a SWF file: header, stage size, frame rate and tags.

Used by the tools tests to make sure every movie we build is a complete,
well-formed AS3 movie.  Run it by hand to look at a file:

    python3 tools/tests/swfinfo.py build/demo_site/swf/snake.swf
"""

import struct
import sys
import zlib

TAG_NAMES = {
    0: "End",
    1: "ShowFrame",
    9: "SetBackgroundColor",
    69: "FileAttributes",
    72: "DoABC",
    76: "SymbolClass",
    77: "Metadata",
    86: "DefineSceneAndFrameLabelData",
    82: "DoABC2",
    48: "DefineFont2",
    75: "DefineFont3",
    87: "DefineBinaryData",
}


class SwfError(Exception):
    pass


class SwfInfo:
    def __init__(self):
        self.signature = ""
        self.version = 0
        self.file_length = 0  # as written in the header (uncompressed size)
        self.stored_length = 0  # bytes on disk
        self.width = 0.0  # pixels
        self.height = 0.0
        self.frame_rate = 0.0
        self.frame_count = 0
        self.tags = []  # (code, length)
        self.background = None  # 0xRRGGBB
        self.font_characters = set()  # of every embedded font

    def tag_codes(self):
        return [code for code, _ in self.tags]

    def summary(self):
        counts = {}
        for code, length in self.tags:
            name = TAG_NAMES.get(code, "Tag%d" % code)
            n, total = counts.get(name, (0, 0))
            counts[name] = (n + 1, total + length)
        lines = [
            "%s version %d, %d bytes (%d stored), %gx%g px, %g fps, %d frame(s)"
            % (self.signature, self.version, self.file_length, self.stored_length,
               self.width, self.height, self.frame_rate, self.frame_count),
        ]
        if self.background is not None:
            lines.append("background #%06x" % self.background)
        for name, (n, total) in counts.items():
            lines.append("  %-20s x%d  %d bytes" % (name, n, total))
        return "\n".join(lines)


def font_characters(tag):
    """The characters a DefineFont2/DefineFont3 tag has glyphs for."""
    try:
        flags, name_length = tag[2], tag[4]
        pos = 5 + name_length
        glyphs = struct.unpack("<H", tag[pos:pos + 2])[0]
        pos += 2
        offset_size = 4 if flags & 0x08 else 2
        code_size = 2 if flags & 0x04 else 1
        if not glyphs:
            return set()
        code_table = struct.unpack("<I" if offset_size == 4 else "<H",
                                   tag[pos + glyphs * offset_size:pos + (glyphs + 1) * offset_size])[0]
        start = pos + code_table
        codes = struct.unpack("<%d%s" % (glyphs, "H" if code_size == 2 else "B"),
                              tag[start:start + glyphs * code_size])
    except (IndexError, struct.error):
        raise SwfError("font tag cut short")
    return {chr(c) for c in codes}


def parse(data):
    """Parse SWF bytes; raise SwfError for anything a player would reject."""
    info = SwfInfo()
    info.stored_length = len(data)
    if len(data) < 8:
        raise SwfError("too short for a SWF header")
    sig = data[:3]
    info.signature = sig.decode("latin-1")
    info.version = data[3]
    info.file_length = struct.unpack("<I", data[4:8])[0]
    if sig == b"FWS":
        body = data[8:]
    elif sig == b"CWS":
        try:
            d = zlib.decompressobj()
            body = d.decompress(data[8:])
            if not d.eof:
                raise SwfError("zlib stream is cut short")
        except zlib.error as e:
            raise SwfError("bad zlib data: %s" % e)
    else:
        raise SwfError("unknown signature %r" % sig)
    if 8 + len(body) != info.file_length:
        raise SwfError("header says %d bytes, body gives %d"
                       % (info.file_length, 8 + len(body)))

    # Stage rectangle: 5 bits of field size, then four signed fields (twips).
    if not body:
        raise SwfError("no stage rectangle")
    nbits = body[0] >> 3
    total_bits = 5 + 4 * nbits
    rect_len = (total_bits + 7) // 8
    if len(body) < rect_len + 4:
        raise SwfError("header cut short")
    bits = int.from_bytes(body[:rect_len], "big")
    bits_left = rect_len * 8 - 5

    def field():
        nonlocal bits_left
        bits_left -= nbits
        v = (bits >> bits_left) & ((1 << nbits) - 1)
        if nbits and v & (1 << (nbits - 1)):
            v -= 1 << nbits
        return v

    xmin, xmax, ymin, ymax = field(), field(), field(), field()
    info.width = (xmax - xmin) / 20.0
    info.height = (ymax - ymin) / 20.0
    pos = rect_len
    info.frame_rate = body[pos + 1] + body[pos] / 256.0
    info.frame_count = struct.unpack("<H", body[pos + 2:pos + 4])[0]
    pos += 4

    while True:
        if pos + 2 > len(body):
            raise SwfError("tags end without an End tag")
        head = struct.unpack("<H", body[pos:pos + 2])[0]
        pos += 2
        code, length = head >> 6, head & 0x3F
        if length == 0x3F:
            if pos + 4 > len(body):
                raise SwfError("long tag header cut short")
            length = struct.unpack("<I", body[pos:pos + 4])[0]
            pos += 4
        if pos + length > len(body):
            raise SwfError("tag %d runs past the end of the file" % code)
        if code == 9 and length >= 3:
            r, g, b = body[pos:pos + 3]
            info.background = (r << 16) | (g << 8) | b
        if code in (48, 75):
            info.font_characters |= font_characters(body[pos:pos + length])
        info.tags.append((code, length))
        pos += length
        if code == 0:
            break
    if pos != len(body):
        raise SwfError("%d stray bytes after the End tag" % (len(body) - pos))
    return info


def check_playable(info):
    """Problems that would stop an AS3 movie from starting; [] when fine."""
    problems = []
    codes = info.tag_codes()
    if not codes or codes[0] != 69:
        problems.append("first tag is not FileAttributes")
    if 72 not in codes and 82 not in codes:
        problems.append("no ActionScript (DoABC) tag")
    if 76 not in codes:
        problems.append("no SymbolClass tag naming the main class")
    if 1 not in codes:
        problems.append("no ShowFrame tag")
    if info.frame_count < 1:
        problems.append("frame count is 0")
    if info.frame_rate <= 0:
        problems.append("frame rate is 0")
    if info.width <= 0 or info.height <= 0:
        problems.append("empty stage")
    return problems


def main(argv):
    if len(argv) < 2:
        print("usage: swfinfo.py FILE.swf...", file=sys.stderr)
        return 2
    status = 0
    for path in argv[1:]:
        with open(path, "rb") as fh:
            data = fh.read()
        print(path)
        try:
            info = parse(data)
        except SwfError as e:
            print("  INVALID: %s" % e)
            status = 1
            continue
        print(info.summary())
        for p in check_playable(info):
            print("  PROBLEM: %s" % p)
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
