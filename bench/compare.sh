#!/usr/bin/env bash
# Times two builds of lexometer-analyze side by side with wc -w, runs
# interleaved (new, old, wc -w, then old, new, wc -w, and so on), and prints
# the medians: wall seconds, CPU seconds (user and system) and peak memory,
# with each build's time as a multiple of wc -w's.
#
#   bash bench/compare.sh OLD_ANALYZER NEW_ANALYZER
#
# RUNS=n (default 5) runs of each; CORPORA="path ..." replaces the three
# generated corpora. Commands run under LC_ALL=C.UTF-8, the analysers sort
# for en_US and write all seven tables.
set -euo pipefail

export LC_ALL=C.UTF-8 LANG=C.UTF-8
unset LANGUAGE

script=compare.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

if (($# != 2)); then
    echo "usage: bash bench/compare.sh OLD_ANALYZER NEW_ANALYZER" >&2
    exit 2
fi
old="$(realpath "$1")" new="$(realpath "$2")"
find_corpora

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
results="$tmp/results.tsv"
: >"$results"

# once CORPUS NAME COMMAND...: one run; appends "corpus name wall cpu peakKB".
once() {
    local corpus="$1" name="$2"
    shift 2
    if ! /usr/bin/time -f "%e %U %S %M" -o "$tmp/time.log" "$@" >/dev/null 2>"$tmp/stderr"; then
        echo "$script: $name failed on $corpus:" >&2
        tail -n 5 "$tmp/stderr" >&2
        exit 1
    fi
    local wall user system kb
    read -r wall user system kb < <(tail -n 1 "$tmp/time.log")
    printf '%s\t%s\t%s\t%s\t%s\n' "$corpus" "$name" "$wall" \
        "$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')" "$kb" >>"$results"
    rm -rf "$tmp/out"
}

for file in "${corpora[@]}"; do
    corpus="$(basename "$file")"
    echo "== $corpus" >&2
    cat "$file" >/dev/null
    for ((run = 0; run < ${RUNS:-5}; ++run)); do
        # The builds take turns at going first: on this machine the first
        # analyser of a round runs measurably slower than the second.
        if ((run % 2 == 0)); then
            once "$corpus" new "$new" --quiet --locale en_US --out "$tmp/out" "$file"
            once "$corpus" old "$old" --quiet --locale en_US --out "$tmp/out" "$file"
        else
            once "$corpus" old "$old" --quiet --locale en_US --out "$tmp/out" "$file"
            once "$corpus" new "$new" --quiet --locale en_US --out "$tmp/out" "$file"
        fi
        once "$corpus" "wc -w" wc -w "$file"
    done
done

echo "LC_ALL=$LC_ALL, --locale en_US, $(nproc) CPUs; median of ${RUNS:-5} interleaved runs."
python3 - "$results" <<'EOF'
import statistics
import sys

rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1])]
runs = {}
for corpus, name, wall, cpu, kb in rows:
    runs.setdefault((corpus, name), []).append((float(wall), float(cpu), int(kb)))
table = [("corpus", "build", "seconds", "CPU s", "peak MB", "x wc -w")]
for (corpus, name), values in runs.items():
    wall = statistics.median(v[0] for v in values)
    cpu = statistics.median(v[1] for v in values)
    peak = max(v[2] for v in values)
    wc = statistics.median(v[0] for v in runs[(corpus, "wc -w")])
    table.append((corpus, name, "%.2f" % wall, "%.2f" % cpu, "%.0f" % (peak / 1024),
                  "%.2f" % (wall / wc) if wc else "-"))
widths = [max(len(r[i]) for r in table) for i in range(len(table[0]))]
for r in table:
    print("  ".join(c.ljust(w) if i < 2 else c.rjust(w) for i, (c, w) in enumerate(zip(r, widths))))
EOF
