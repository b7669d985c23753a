#!/usr/bin/env python3
"""Writes a large signature list, the same bytes on every run.

    genlist.py OUT_FILE RECORDS [--name-bytes N]

The normal settings line, then RECORDS records "Trojan.Generic.NNNNNNN;CHECKSUM" (random
canonical checksum texts, fixed seed). With --name-bytes, one more record whose name is N
bytes long.
"""

import argparse
import random


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("records", type=int)
    ap.add_argument("--name-bytes", type=int, default=0)
    args = ap.parse_args()
    rng = random.Random(20261210)
    with open(args.out, "wb") as f:
        f.write(b"50000;*.exe;Limits dan ekstensi\r\n")
        chunk = []
        for i in range(args.records):
            chunk.append(b"Trojan.Generic.%07d;%X\r\n" % (i, rng.getrandbits(32) or 1))
            if len(chunk) == 65536:
                f.write(b"".join(chunk))
                chunk = []
        f.write(b"".join(chunk))
        if args.name_bytes:
            f.write(b"W" * args.name_bytes + b";%X\r\n" % (rng.getrandbits(32) or 1))


if __name__ == "__main__":
    main()
