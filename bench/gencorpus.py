#!/usr/bin/env python3
"""Writes the benchmark corpora into bench/corpora/ (or --out DIR).

  kjv25.txt      the King James Bible (Debian's bible-kjv) repeated 25 times
  synthetic.txt  about 100 MB of generated text with a Zipf-like vocabulary
  distinct.txt   one million numbered lines of random tokens, about 32 MB,
                 nearly every word and every line distinct

A corpus that already exists is kept. The generated texts depend only on the
seed and the size: every run writes the same bytes.
"""

import argparse
import bisect
import itertools
import os
import random
import subprocess
import sys
import time

KJV_NAME = "kjv25.txt"
SYNTHETIC_NAME = "synthetic.txt"
DISTINCT_NAME = "distinct.txt"
NAMES = {"kjv": KJV_NAME, "synthetic": SYNTHETIC_NAME, "distinct": DISTINCT_NAME}

# Latin syllable parts; the accented and Cyrillic vocabularies swap in their
# own letters so that each script forms words of its own.
LATIN_ONSETS = ["", "", "", "b", "c", "d", "f", "g", "h", "j", "k", "l", "m", "n", "p", "r",
                "s", "t", "v", "w", "z", "b", "d", "l", "m", "n", "s", "t", "br", "ch", "dr",
                "gr", "pl", "sh", "st", "th", "tr", "qu"]
LATIN_VOWELS = ["a", "e", "i", "o", "u", "a", "e", "o", "ea", "ou", "ai", "y"]
LATIN_CODAS = ["", "", "", "", "", "", "", "", "n", "r", "s", "t", "l", "m", "nd", "st", "ng",
               "x"]
ACCENTED = ["é", "è", "ê", "ë", "à", "â", "ü", "ö", "ñ", "ç", "ø", "å", "æ", "œ", "ï", "ô",
            "û", "ß", "ğ", "ş", "ı"]
ACCENT_MAP = {"a": "àâåæ", "e": "éèêë", "i": "ïı", "o": "öøôœ", "u": "üû",
              "n": "ñ", "c": "ç", "s": "şß", "g": "ğ"}
CYR_ONSETS = ["", "", "б", "в", "г", "д", "ж", "з", "к", "л", "м", "н", "п", "р", "с", "т",
              "ф", "х", "ц", "ч", "ш", "щ", "в", "н", "с", "т", "бр", "гр", "пр", "ст", "тр"]
CYR_VOWELS = ["а", "е", "и", "о", "у", "ы", "э", "ю", "я", "ё", "а", "о", "е"]
CYR_CODAS = ["", "", "", "", "", "", "", "й", "н", "р", "с", "т", "л", "м", "ь", "ст", "нь",
             "ъ"]

# Within a sentence: marks that end a phrase window and marks that do not.
SENTENCE_ENDS = [".", ".", ".", ".", ".", ".", "?", "?", "!", "!", ";", ":"]


def write_atomic(path, chunks):
    """Writes chunks of bytes to path through a temporary name, so that an
    interrupted run leaves no half corpus that a later run would reuse."""
    tmp = path + ".part"
    size = 0
    with open(tmp, "wb") as f:
        for chunk in chunks:
            f.write(chunk)
            size += len(chunk)
    os.replace(tmp, path)
    return size


def make_kjv(path, copies):
    # A fixed line width: bible wraps at $COLUMNS otherwise.
    text = subprocess.run(["bible", "-l79", "gen1:1-rev22:21"], check=True,
                          stdout=subprocess.PIPE).stdout
    if len(text) < 1_000_000:
        sys.exit("gencorpus: 'bible' printed only %d bytes; is bible-kjv installed?" % len(text))
    return write_atomic(path, itertools.repeat(text, copies))


def make_vocabulary(rng, size):
    """Distinct words, most frequent first; shorter words come earlier, as in
    natural language. About 12 % accented Latin, 12 % Cyrillic, 4 % names."""
    words = []
    seen = set()
    while len(words) < size:
        rank = len(words)
        if rank < 300:
            syllables = 1
        elif rank < 6000:
            syllables = rng.choice((1, 2, 2))
        elif rank < 60000:
            syllables = rng.choice((2, 2, 3))
        else:
            syllables = rng.choice((2, 3, 3, 4))
        kind = rng.random()
        if kind < 0.12:
            onsets, vowels, codas = CYR_ONSETS, CYR_VOWELS, CYR_CODAS
        else:
            onsets, vowels, codas = LATIN_ONSETS, LATIN_VOWELS, LATIN_CODAS
        word = "".join(rng.choice(onsets) + rng.choice(vowels) + rng.choice(codas)
                       for _ in range(syllables))
        if 0.12 <= kind < 0.24:
            # Accented Latin: at least one letter replaced.
            letters = list(word)
            spots = [i for i, ch in enumerate(letters) if ch in ACCENT_MAP]
            if spots:
                for i in rng.sample(spots, min(len(spots), rng.choice((1, 1, 2)))):
                    letters[i] = rng.choice(ACCENT_MAP[letters[i]])
            else:
                letters.append(rng.choice(ACCENTED))
            word = "".join(letters)
        if rng.random() < 0.04:
            word = word.capitalize()  # a name, always written capitalised
        if rank > 2000 and rng.random() < 0.01:
            word += "'s"
        if word and word not in seen:
            seen.add(word)
            words.append(word)
    return words


def sentences(rng, vocab, cum_weights):
    """An endless stream of sentences of 3 to 25 words, in batches."""
    total = cum_weights[-1]
    hi = len(vocab) - 1
    rand = rng.random
    while True:
        draws = [vocab[bisect.bisect(cum_weights, rand() * total, 0, hi)]
                 for _ in range(1 << 18)]
        pos = 0
        out = []
        while pos + 25 <= len(draws):
            n = rng.randint(3, 25)
            words = draws[pos:pos + n]
            pos += n
            words[0] = words[0][:1].upper() + words[0][1:]
            r = rand()
            if r < 0.35:
                i = int(rand() * (n - 1))
                words[i] += ","
            if r < 0.10:
                i = int(rand() * (n - 1))
                words[i] += rng.choice((";", ":", " -"))
            if 0.3 < r < 0.38 and n > 4:
                i = int(rand() * (n - 3))
                words[i] = "(" + words[i]
                words[i + 2] += ")"
            if 0.4 < r < 0.47 and n > 4:
                i = int(rand() * (n - 3))
                words[i] = '"' + words[i]
                words[i + 1] += '"'
            if 0.5 < r < 0.56:
                i = int(rand() * (n - 1))
                words[i] += "-" + words[i + 1]
                del words[i + 1]
            if 0.6 < r < 0.63:
                i = int(rand() * n)
                words[i] += "!"
            words[-1] += SENTENCE_ENDS[int(rand() * len(SENTENCE_ENDS))]
            out.append(" ".join(words))
        yield " ".join(out)


def synthetic_chunks(seed, target_bytes, vocab_size):
    rng = random.Random(seed)
    vocab = make_vocabulary(rng, vocab_size)
    cum_weights = list(itertools.accumulate(1.0 / (r + 2.7) for r in range(len(vocab))))
    stream = sentences(rng, vocab, cum_weights)
    written = 0
    text = ""
    pos = 0
    while written < target_bytes:
        lines = []
        # One output chunk of about 1.5 MB of lines.
        while len(lines) < 10000:
            if len(text) - pos < 1000:
                text = text[pos:] + " " + next(stream)
                pos = 0
            target = rng.randint(0, 300)
            if target == 0:
                lines.append("")
                continue
            end = text.rfind(" ", pos + 1, pos + target + 1)
            if end < 0:  # a word longer than the target: the line holds it
                end = text.find(" ", pos + 1)
            lines.append(text[pos:end])
            pos = end + 1
        chunk = ("\n".join(lines) + "\n").encode("utf-8")
        written += len(chunk)
        yield chunk


def distinct_chunks(seed, lines):
    """Log-like records: a 7-digit line number, then three tokens of 6, 7 and
    8 random lower-case letters. 26^6 and more tokens to choose from make
    repeats rare, so the word and line tables hold nearly one row per item."""
    rng = random.Random(seed)
    letters = bytes(ord("a") + b % 26 for b in range(256))
    per_chunk = 50000
    for first in range(0, lines, per_chunk):
        count = min(per_chunk, lines - first)
        pool = rng.randbytes(21 * count).translate(letters).decode("ascii")
        out = []
        for k in range(count):
            o = 21 * k
            out.append("%07d %s %s %s\n" % (first + k + 1, pool[o:o + 6], pool[o + 6:o + 13],
                                            pool[o + 13:o + 21]))
        yield "".join(out).encode("ascii")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", default=os.path.join(here, "corpora"),
                        help="folder of the corpora (default: bench/corpora)")
    parser.add_argument("--copies", type=int, default=25, help="copies of the Bible")
    parser.add_argument("--size-mb", type=float, default=100, help="synthetic size in MB")
    parser.add_argument("--seed", type=int, default=20240229)
    parser.add_argument("--vocabulary", type=int, default=300000)
    parser.add_argument("--lines", type=int, default=1000000, help="lines of the distinct corpus")
    parser.add_argument("--force", action="store_true", help="rewrite existing corpora")
    parser.add_argument("which", nargs="*", help="kjv, synthetic, distinct (default: all three)")
    args = parser.parse_args()
    which = args.which or list(NAMES)
    for name in which:
        if name not in NAMES:
            parser.error("unknown corpus: %s" % name)
    os.makedirs(args.out, exist_ok=True)

    for name in which:
        path = os.path.join(args.out, NAMES[name])
        if os.path.exists(path) and not args.force:
            print("%s: present" % path)
            continue
        started = time.monotonic()
        if name == "kjv":
            size = make_kjv(path, args.copies)
        elif name == "distinct":
            size = write_atomic(path, distinct_chunks(args.seed, args.lines))
        else:
            size = write_atomic(path, synthetic_chunks(args.seed, int(args.size_mb * 1e6),
                                                       args.vocabulary))
        print("%s: %.1f MB in %.1f s" % (path, size / 1e6, time.monotonic() - started))


if __name__ == "__main__":
    main()
