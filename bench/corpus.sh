#!/usr/bin/env bash
# Times lexometer-analyze --corpus on a folder of about 1 GB in 400 files
# (bench/gencorpusdir.py) against one run per file and against the Unix
# word-count pipeline of run.sh over all the files; then the same corpus
# under an address-space limit of 1 GB, and --merge of one partial result
# per file. Every table set is checked to be the same bytes as --corpus's.
#
#   bash bench/corpus.sh [BUILD_DIR]     (default: build)
#
# CORPUS=DIR times another folder. Each command runs once: the whole takes
# about half an hour on two CPUs, and the partials take about 15 times the
# corpus's size of disk in TMPDIR.
set -euo pipefail

export LC_ALL=C.UTF-8 LANG=C.UTF-8
unset LANGUAGE

script=corpus.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
find_build "${1:-}"

analyze="$build/bin/lexometer-analyze"
if [[ ! -x "$analyze" ]]; then
    echo "corpus.sh: $analyze is missing; build it first" >&2
    exit 1
fi
for tool in /usr/bin/time prlimit; do
    if ! command -v "$tool" >/dev/null; then
        echo "corpus.sh: $tool is needed (Debian packages 'time' and 'util-linux')" >&2
        exit 1
    fi
done

find_corpus_folder

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
results="$tmp/results.tsv"
: >"$results"
options=(--quiet --locale en_US)

# timed NAME COMMAND...: one run under /usr/bin/time; appends
# "name seconds peakKB" to the results.
timed() {
    local name="$1"
    shift
    echo "-- $name" >&2
    if ! /usr/bin/time -f "%e %M" -o "$tmp/time.log" "$@" >"$tmp/stdout" 2>"$tmp/stderr"; then
        echo "corpus.sh: $name failed:" >&2
        tail -n 5 "$tmp/stderr" >&2
        exit 1
    fi
    local seconds kb
    read -r seconds kb < <(tail -n 1 "$tmp/time.log")
    printf '%s\t%s\t%s\n' "$name" "$seconds" "$kb" >>"$results"
}

# loop NAME COMMAND...: the command once per file, the file last; the sum of
# the times and the largest peak.
loop() {
    local name="$1"
    shift
    echo "-- $name" >&2
    local sum=0 peak=0 file seconds kb
    for file in "${files[@]}"; do
        if ! /usr/bin/time -f "%e %M" -o "$tmp/time.log" "$@" "$file" >/dev/null 2>"$tmp/stderr"
        then
            echo "corpus.sh: $name failed on $file:" >&2
            tail -n 5 "$tmp/stderr" >&2
            exit 1
        fi
        read -r seconds kb < <(tail -n 1 "$tmp/time.log")
        sum=$(awk -v a="$sum" -v b="$seconds" 'BEGIN { print a + b }')
        ((kb > peak)) && peak="$kb"
    done
    printf '%s\t%s\t%s\n' "$name" "$sum" "$peak" >>"$results"
}

same() {
    if ! diff -r -q "$tmp/corpus" "$1" >/dev/null; then
        echo "corpus.sh: the tables in $1 differ from --corpus's" >&2
        exit 1
    fi
}

cat "${files[@]}" >/dev/null # every run starts with the files in the page cache

timed "--corpus" "$analyze" "${options[@]}" --corpus --out "$tmp/corpus" "$CORPUS"
loop "one run per file (sum)" "$analyze" "${options[@]}" --out "$tmp/single"
rm -rf "$tmp/single"
timed "tr|sort|uniq -c" bash -c \
    'cat "$@" | tr -cs "A-Za-z0-9'"'"'" "\n" | tr A-Z a-z | sort | uniq -c >/dev/null' _ \
    "${files[@]}"
timed "--corpus, 1 GB address space" prlimit --as=$((1 << 30)) \
    "$analyze" "${options[@]}" --corpus --out "$tmp/limited" "$CORPUS"
same "$tmp/limited"
rm -rf "$tmp/limited"

mkdir "$tmp/parts"
echo "-- one partial per file" >&2
n=0 sum=0 peak=0
for file in "${files[@]}"; do
    n=$((n + 1))
    /usr/bin/time -f "%e %M" -o "$tmp/time.log" "$analyze" "${options[@]}" --corpus \
        --partial "$(printf '%s/parts/%04d.part' "$tmp" "$n")" "$file"
    read -r seconds kb < <(tail -n 1 "$tmp/time.log")
    sum=$(awk -v a="$sum" -v b="$seconds" 'BEGIN { print a + b }')
    ((kb > peak)) && peak="$kb"
done
printf '%s\t%s\t%s\n' "--corpus --partial, one per file (sum)" "$sum" "$peak" >>"$results"
partbytes=$(cat "$tmp"/parts/*.part | wc -c)
timed "--merge of the partials" "$analyze" "${options[@]}" --merge --out "$tmp/merged" \
    "$tmp"/parts/*.part
same "$tmp/merged"

echo
echo "LC_ALL=$LC_ALL, --locale en_US, $(nproc) CPUs (shared with whatever else runs), one run each."
echo "Corpus: ${#files[@]} files, $((bytes / 1000000)) MB; partials: $((partbytes / 1000000)) MB," \
    "$(awk -v p="$partbytes" -v b="$bytes" 'BEGIN { printf "%.1f", p / b }') GB per GB of text."
python3 - "$results" <<'EOF'
import sys

rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1])]
table = [("run", "seconds", "peak MB")]
for name, seconds, kb in rows:
    table.append((name, "%.1f" % float(seconds), "%.0f" % (int(kb) / 1024)))
widths = [max(len(r[i]) for r in table) for i in range(3)]
for r in table:
    print("  ".join(c.ljust(w) if i == 0 else c.rjust(w) for i, (c, w) in enumerate(zip(r, widths))))
EOF
