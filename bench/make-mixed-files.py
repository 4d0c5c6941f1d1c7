#!/usr/bin/env python3
"""Writes a folder of mixed files for the end-to-end comparisons.

    bench/make-mixed-files.py DIR MIB [SEED]

About MIB mebibytes in equal thirds of random bytes (which no compressor
shrinks), base64 text (which shrinks to three quarters) and plain English-like
text (which shrinks to a third or less), in files of 4 KiB to 8 MiB, so that
both the per-file and the per-byte costs of a packer show. The same SEED gives
the same files.
"""
import base64
import os
import random
import re
import sys

LICENSES = "/usr/share/common-licenses"


def vocabulary():
    words = set()
    if os.path.isdir(LICENSES):
        for name in sorted(os.listdir(LICENSES)):
            path = os.path.join(LICENSES, name)
            if os.path.isfile(path):
                with open(path, encoding="utf-8", errors="replace") as f:
                    words.update(re.findall(r"[A-Za-z]{2,}", f.read()))
    if len(words) < 500:  # a system without the licence texts
        rng = random.Random(1)
        words.update("".join(rng.choice("etaoinshrdlucmfwyp") for _ in range(rng.randint(2, 9))) for _ in range(3000))
    return sorted(words)


def plain_text(rng, words, size):
    lines, length = [], 0
    while length < size:
        line = " ".join(rng.choice(words) for _ in range(rng.randint(6, 14))) + ".\n"
        lines.append(line)
        length += len(line)
    return "".join(lines).encode()[:size]


def base64_text(rng, size):
    raw = rng.randbytes(size * 3 // 4 + 3)
    return base64.encodebytes(raw)[:size]


def file_sizes(rng, total):
    sizes, left = [], total
    while left > 0:
        size = min(left, rng.choice([4 << 10, 40 << 10, 300 << 10, 1 << 20, 3 << 20, 8 << 20]))
        sizes.append(size)
        left -= size
    return sizes


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__.strip().splitlines()[2].strip())
    directory, mib = sys.argv[1], int(sys.argv[2])
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) == 4 else 16)
    words = vocabulary()
    third = (mib << 20) // 3
    os.makedirs(directory, exist_ok=True)
    kinds = [("random", lambda n: rng.randbytes(n)), ("base64", lambda n: base64_text(rng, n)),
             ("text", lambda n: plain_text(rng, words, n))]
    for kind, make in kinds:
        os.makedirs(os.path.join(directory, kind), exist_ok=True)
        for i, size in enumerate(file_sizes(rng, third)):
            suffix = ".bin" if kind == "random" else ".txt"
            with open(os.path.join(directory, kind, f"{kind}-{i:03d}{suffix}"), "wb") as f:
                f.write(make(size))


if __name__ == "__main__":
    main()
