#!/usr/bin/env python3
"""Writes a corpus folder for timing lexometer-analyze --corpus: FILES text
files of about SIZE bytes each, made of pieces of kjv25.txt and
synthetic.txt (run gencorpus.py first), into bench/corpora/corpus/ (or
--out DIR).

  /usr/bin/python3 bench/gencorpusdir.py [--files 400] [--size 2500000]

Each file takes one to four pieces, each from a random line of one of the
two texts, so that files share phrases with each other as the files of a
real corpus do. A folder that already holds the files is kept. The files
depend only on the seed and the sizes: every run writes the same bytes.
"""

import argparse
import os
import random
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCES = ["kjv25.txt", "synthetic.txt"]


def line_start(data, at):
    """The start of the line that holds `at`."""
    start = data.rfind(b"\n", 0, at)
    return start + 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--files", type=int, default=400)
    parser.add_argument("--size", type=int, default=2_500_000, help="bytes per file, about")
    parser.add_argument("--seed", type=int, default=23)
    parser.add_argument("--corpora", default=os.path.join(HERE, "corpora"),
                        help="where kjv25.txt and synthetic.txt are")
    parser.add_argument("--out", default=os.path.join(HERE, "corpora", "corpus"))
    args = parser.parse_args()

    texts = []
    for name in SOURCES:
        path = os.path.join(args.corpora, name)
        if not os.path.exists(path):
            sys.exit("gencorpusdir: %s is missing; run bench/gencorpus.py first" % path)
        with open(path, "rb") as f:
            texts.append(f.read())

    names = ["%03d.txt" % i for i in range(args.files)]
    if os.path.isdir(args.out) and all(os.path.exists(os.path.join(args.out, n)) for n in names):
        print("gencorpusdir: %s is there already" % args.out, file=sys.stderr)
        return
    os.makedirs(args.out, exist_ok=True)

    rng = random.Random(args.seed)
    total = 0
    for name in names:
        pieces = rng.randint(1, 4)
        chunks = []
        left = args.size
        for p in range(pieces):
            data = texts[rng.randrange(len(texts))]
            length = left if p == pieces - 1 else rng.randint(left // 4, left * 3 // 4)
            start = line_start(data, rng.randrange(len(data) - length))
            end = line_start(data, start + length)
            chunks.append(data[start:end])
            left -= end - start
        tmp = os.path.join(args.out, name + ".part")
        with open(tmp, "wb") as f:
            for chunk in chunks:
                f.write(chunk)
                total += len(chunk)
        os.replace(tmp, os.path.join(args.out, name))
    print("gencorpusdir: %d files, %.1f MB in %s" % (len(names), total / 1e6, args.out),
          file=sys.stderr)


if __name__ == "__main__":
    main()
