#!/usr/bin/env python3
"""Write a file of pseudo-random bytes (fixed seed, so builds are repeatable).

Random bytes do not compress, so a movie that embeds them stays as large on
disk and on the wire as the number of bytes asked for.

    make_blob.py OUTPUT SIZE_IN_BYTES [SEED]
"""

import os
import random
import sys


def main(argv):
    if len(argv) not in (3, 4):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    out, size = argv[1], int(argv[2])
    seed = int(argv[3]) if len(argv) == 4 else 20240229
    data = random.Random(seed).randbytes(size)
    tmp = out + ".tmp"
    with open(tmp, "wb") as fh:
        fh.write(data)
    os.replace(tmp, out)  # never leave a half-written file behind
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
