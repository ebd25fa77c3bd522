#!/usr/bin/env bash
# Times lexometer-analyze against wc, a Unix word-count pipeline, a Python
# Counter and the engine's word phase alone, on each corpus in turn.
#
#   bash bench/run.sh [BUILD_DIR]     (default: build)
#
# CORPORA="path ..." replaces the three generated corpora.
#
# What is measured does not depend on the caller: every command runs under
# LC_ALL=C.UTF-8 (always present on glibc), the analyser sorts for en_US, and
# all of them share the same two CPUs.
set -euo pipefail

export LC_ALL=C.UTF-8 LANG=C.UTF-8
unset LANGUAGE

script=run.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
find_build "${1:-}"

analyze="$build/bin/lexometer-analyze"
enginebench="$build/bin/enginebench"
if [[ ! -x "$analyze" ]]; then
    echo "run.sh: $analyze is missing; build it first" >&2
    exit 1
fi
if [[ ! -x "$enginebench" ]]; then
    echo "run.sh: $enginebench is missing (Google Benchmark not found?); its row is skipped" >&2
fi
if [[ ! -x /usr/bin/time ]]; then
    echo "run.sh: /usr/bin/time is needed (Debian package 'time')" >&2
    exit 1
fi

find_corpora

# taskset fails where CPUs 0 and 1 are not both ours (one CPU, a cpuset).
pin=()
if command -v taskset >/dev/null && (($(nproc) >= 2)) && taskset -c 0,1 true 2>/dev/null; then
    pin=(taskset -c 0,1)
    cpus="CPUs 0,1 of $(nproc)"
else
    echo "run.sh: commands are not pinned to two CPUs (no taskset, or fewer CPUs)" >&2
    cpus="$(nproc) CPUs, not pinned"
fi

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

cat >"$tmp/counter.py" <<'EOF'
import collections
import re
import sys

word = re.compile(r"[A-Za-z0-9']+")
counts = collections.Counter()
with open(sys.argv[1], encoding="utf-8", errors="surrogateescape") as f:
    for line in f:
        counts.update(map(str.lower, word.findall(line)))
print(len(counts), sum(counts.values()))
EOF

# Puts the time that enginebench reports into the last result row.
cat >"$tmp/phase.py" <<'EOF'
import json
import sys

try:
    benchmarks = json.load(open(sys.argv[1]))["benchmarks"]
except (ValueError, KeyError):
    benchmarks = []
rows = open(sys.argv[2]).read().splitlines()
fields = rows[-1].split("\t")
if benchmarks and "error_message" not in benchmarks[0]:
    b = benchmarks[0]
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
    fields[3] = "%.2f" % (b["real_time"] * scale)
else:
    print("run.sh: enginebench timed no word phase", file=sys.stderr)
    fields[3:] = ["FAILED", "-", "-"]
rows[-1] = "\t".join(fields)
open(sys.argv[2], "w").write("\n".join(rows) + "\n")
sys.exit(0 if fields[3] != "FAILED" else 1)
EOF

results="$tmp/results.tsv"
: >"$results"
failures=0

# timed NAME CORPUS SIZE COMMAND...: runs the command RUNS times (default 5)
# under /usr/bin/time and appends "corpus size name seconds peakKB cpu" to
# the results: the median time, the largest peak and the median CPU seconds
# (user and system).
timed() {
    local name="$1" corpus="$2" size="$3"
    shift 3
    local log="$tmp/time.log" times=() cpus=() peak=0 run
    for ((run = 0; run < ${RUNS:-5}; ++run)); do
        if ! /usr/bin/time -f "%e s %M KB %U %S" -o "$log" ${pin[@]+"${pin[@]}"} "$@" \
            >"$tmp/stdout" 2>"$tmp/stderr"; then
            echo "run.sh: $name failed on $corpus:" >&2
            tail -n 5 "$tmp/stderr" >&2
            printf '%s\t%s\t%s\tFAILED\t-\t-\n' "$corpus" "$size" "$name" >>"$results"
            failures=$((failures + 1))
            return
        fi
        local seconds kb user system
        read -r seconds _ kb _ user system < <(tail -n 1 "$log")
        times+=("$seconds")
        cpus+=("$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')")
        ((kb > peak)) && peak="$kb"
    done
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$corpus" "$size" "$name" "$(median "${times[@]}")" "$peak" \
        "$(median "${cpus[@]}")" >>"$results"
}

median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

for file in "${corpora[@]}"; do
    corpus="$(basename "$file")"
    size="$(stat -c %s "$file")"
    echo "== $corpus ($((size / 1000000)) MB)" >&2
    cat "$file" >/dev/null # every tool starts with the file in the page cache

    timed "lexometer-analyze" "$corpus" "$size" "$analyze" --quiet --locale en_US \
        --out "$tmp/out" "$file"
    rm -rf "$tmp/out"

    timed "wc -w" "$corpus" "$size" wc -w "$file"
    timed "tr|sort|uniq -c" "$corpus" "$size" bash -c \
        'tr -cs "A-Za-z0-9'"'"'" "\n" <"$1" | tr A-Z a-z | sort | uniq -c >/dev/null' _ "$file"
    timed "python Counter" "$corpus" "$size" python3 "$tmp/counter.py" "$file"

    if [[ -x "$enginebench" ]]; then
        # The phase's own time replaces the process time, which includes
        # reading the file and the phases before; the peak is the process's.
        timed "engine word phase" "$corpus" "$size" env LEXO_BENCH_FILE="$file" \
            "$enginebench" --benchmark_filter='^BM_CountWords/' --benchmark_min_time=0.01 \
            --benchmark_format=json
        if [[ "$(tail -n 1 "$results" | cut -f4)" != FAILED ]] &&
            ! python3 "$tmp/phase.py" "$tmp/stdout" "$results"; then
            failures=$((failures + 1))
        fi
    fi
done

echo
echo "LC_ALL=$LC_ALL, analyser --locale en_US; $cpus; median of ${RUNS:-5} runs, warm page cache."
python3 - "$results" <<'EOF'
import sys

rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1])]
by = {}
for corpus, size, name, seconds, kb, cpu in rows:
    by.setdefault(corpus, {})[name] = (seconds, kb)

def num(s):
    try:
        return float(s)
    except ValueError:
        return None

header = ("corpus", "MB", "tool", "seconds", "CPU s", "peak MB", "x wc -w", "x pipeline",
          "peak/size")
table = [header]
for corpus, size, name, seconds, kb, cpu in rows:
    mb = int(size) / 1e6
    t = num(seconds)
    wc = num(by[corpus].get("wc -w", ("",))[0])
    pipe = num(by[corpus].get("tr|sort|uniq -c", ("",))[0])
    peak = num(kb)
    ratio = lambda a, b: "%.1f" % (a / b) if a is not None and b else "-"
    full = name == "lexometer-analyze"
    table.append((
        corpus, "%.1f" % mb, name, seconds, cpu,
        "%.0f" % (peak / 1024) if peak is not None else "-",
        ratio(t, wc),
        ratio(t, pipe) if full else "",
        "%.2f" % (peak * 1024 / int(size)) if full and peak is not None else "",
    ))
widths = [max(len(r[i]) for r in table) for i in range(len(header))]
for r in table:
    print("  ".join(c.ljust(w) if i < 3 else c.rjust(w) for i, (c, w) in enumerate(zip(r, widths))))
EOF

if ((failures > 0)); then
    echo "run.sh: $failures command(s) failed" >&2
    exit 1
fi
