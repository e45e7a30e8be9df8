#!/usr/bin/env python3
"""Writes GameFontFace.hx: the class that embeds FONT in a movie with every
printable ASCII character and every other character the SOURCES hold.

    game_font.py OUTPUT.hx FONT.ttf SOURCE...
"""

import sys


def characters(sources):
    found = set(chr(c) for c in range(0x20, 0x7F))
    for path in sources:
        with open(path, encoding="utf-8") as f:
            found.update(c for c in f.read() if ord(c) > 0x7F and c.isprintable())
    # ASCII first, in order, so that a "-" only ever stands between its neighbours.
    return "".join(sorted(found))


def main():
    output, font, sources = sys.argv[1], sys.argv[2], sys.argv[3:]
    chars = characters(sources).replace("\\", "\\\\").replace('"', '\\"')
    with open(output, "w", encoding="utf-8") as f:
        f.write("// Made by tools/games/game_font.py; not edited by hand.\n")
        f.write('@:font("%s", "%s") class GameFontFace extends flash.text.Font {}\n' % (font, chars))


if __name__ == "__main__":
    main()
