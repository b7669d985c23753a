#!/usr/bin/env python3
"""Generates the scan benchmark's tree and signature lists, the same bytes on every run.

    gentree.py OUT_DIR [--files 30000] [--folders 1500] [--signatures 100000]

Writes OUT_DIR/tree (the files), OUT_DIR/database.db (our signature list),
OUT_DIR/bench.hdb (the same records as whole-file MD5 hashes for the peer scanner) and
OUT_DIR/expected.txt (the files each scanner must report, full paths, sorted).

The tree: FOLDERS folders below the root, eight to a parent; FILES files spread over them,
about 30% named *.exe; most 1-50 KB, some 50-100 KB, about 8% 100-200 KB (over the full-mode
limit) and a few of 5-50 MB. Forty files within the limit and five over it are "infected":
their checksums are records of both lists. The other records are random values chosen not
to match any file of the tree, so both scanners must report exactly the forty.
"""

import argparse
import hashlib
import os
import random
import shutil
import zlib

LIMIT = 100_000
EXTS = [".dll", ".txt", ".jpg", ".dat", ".doc", ".bin", ".png"]


def sizes(rng, count):
    big = 8
    mid = round(count * 0.0797)
    small = count - big - mid
    out = []
    for _ in range(small):
        if rng.random() < 0.92:
            out.append(int(1000 * (50 ** rng.random())))          # 1-50 KB, log-uniform
        else:
            out.append(rng.randint(50_000, LIMIT - 100))           # 50-100 KB
    out += [rng.randint(LIMIT + 200, 200_000) for _ in range(mid)]
    out += [int(5_000_000 * (10 ** rng.random())) for _ in range(big)]  # 5-50 MB
    rng.shuffle(out)
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--files", type=int, default=30_000)
    ap.add_argument("--folders", type=int, default=1_500)
    ap.add_argument("--signatures", type=int, default=100_000)
    args = ap.parse_args()

    rng = random.Random(20240607)
    out = os.path.abspath(args.out)
    tree = os.path.join(out, "tree")
    if os.path.exists(tree):
        shutil.rmtree(tree)
    os.makedirs(tree)

    # Folder k (1-based) hangs below folder (k - 1) // 8; folder 0 is the root.
    folders = [tree]
    for k in range(1, args.folders + 1):
        path = os.path.join(folders[(k - 1) // 8], "dir%04d" % k)
        os.mkdir(path)
        folders.append(path)

    block = rng.randbytes(1 << 20)  # filler of the large files
    file_sizes = sizes(rng, args.files)
    infected_small, infected_big = [], []
    crcs = set()
    records = []  # (path, size, crc, md5)
    for i, size in enumerate(file_sizes):
        folder = folders[rng.randrange(len(folders))]
        name = "file%05d%s" % (i, ".exe" if rng.random() < 0.30 else rng.choice(EXTS))
        path = os.path.join(folder, name)
        if size > 4_000_000:
            head = i.to_bytes(8, "little")
            data = (head + block * (size // len(block) + 1))[:size]
        else:
            data = rng.randbytes(size)
        with open(path, "wb") as f:
            f.write(data)
        crc = zlib.crc32(data)
        crcs.add(crc)
        if size <= LIMIT and len(infected_small) < 40 and rng.random() < 0.01:
            infected_small.append((path, size, crc, hashlib.md5(data).hexdigest()))
        elif LIMIT < size < 4_000_000 and len(infected_big) < 5 and rng.random() < 0.01:
            infected_big.append((path, size, crc, hashlib.md5(data).hexdigest()))

    infected = infected_small + infected_big
    db = ["100000;*.*;Limits dan ekstensi "]
    hdb = []
    for n, (path, size, crc, md5) in enumerate(infected):
        db.append("Bench.Infected.%03d;%X" % (n, crc))
        hdb.append("%s:%d:Bench.Infected.%03d" % (md5, size, n))
    for n in range(args.signatures - len(infected)):
        crc = rng.getrandbits(32)
        while crc in crcs:
            crc = rng.getrandbits(32)
        crcs.add(crc)
        db.append("Bench.Filler.%06d;%X" % (n, crc))
        hdb.append("%032x:%d:Bench.Filler.%06d" % (rng.getrandbits(128), rng.randint(1000, LIMIT), n))

    with open(os.path.join(out, "database.db"), "wb") as f:
        f.write(("\r\n".join(db) + "\r\n").encode("latin-1"))
    with open(os.path.join(out, "bench.hdb"), "w") as f:
        f.write("\n".join(hdb) + "\n")
    with open(os.path.join(out, "expected.txt"), "w") as f:
        f.write("".join(p + "\n" for p in sorted(p for p, *_ in infected_small)))

    within = [s for s in file_sizes if s <= LIMIT]
    print("tree: %d files in %d folders, %.2f GB; %d files (%.0f MB) within %d bytes; "
          "%d signatures, %d of them in the tree (%d within the limit)"
          % (len(file_sizes), args.folders, sum(file_sizes) / 1e9, len(within), sum(within) / 1e6,
             LIMIT, args.signatures, len(infected), len(infected_small)))


if __name__ == "__main__":
    main()
