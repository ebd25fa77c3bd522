#!/usr/bin/env bash
# Times scripts/lexometer-cluster on a local Dask cluster against
# lexometer-analyze --corpus on one machine, over the folder of about 1 GB in
# 400 files that bench/corpus.sh counts (bench/gencorpusdir.py): the whole
# run, each shard's and merge's count, the partial results' size, and the
# peak memory of the driver, its workers and their counts together. Every
# table set is checked to be the same bytes as --corpus's.
#
#   bash bench/cluster.sh [BUILD_DIR]     (default: build)
#
# CORPUS=DIR times another folder; WORKERS=N (default 2) worker processes;
# RUNS="SHARDS:FAN_IN ..." (default: the driver's own choice, then 32 shards
# merged four at a time) the cuts to time.
set -euo pipefail

export LC_ALL=C.UTF-8 LANG=C.UTF-8
unset LANGUAGE

script=cluster.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
find_build "${1:-}"

analyze="$build/bin/lexometer-analyze"
driver="$(dirname "$here")/scripts/lexometer-cluster"
workers="${WORKERS:-2}"
read -r -a runs <<<"${RUNS:-auto 32:4}"
if [[ ! -x "$analyze" ]]; then
    echo "cluster.sh: $analyze is missing; build it first" >&2
    exit 1
fi
if ! /usr/bin/python3 -c "import distributed" 2>/dev/null; then
    echo "cluster.sh: Dask is needed (Debian package 'python3-distributed')" >&2
    exit 1
fi

find_corpus_folder

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
options=(--quiet --locale en_US)

# The analyzer the workers run: the real one under /usr/bin/time, noting
# each count's seconds and peak, and the size of the partial it wrote.
cat >"$tmp/timed-analyzer" <<EOF
#!/bin/sh
kind="\$1"
case " \$* " in *" /dev/null "*) kind=probe;; esac
/usr/bin/time -o "$tmp/time.\$\$" -f "%e %M %U %S" "$analyze" "\$@"
status=\$?
size=-
previous=
for argument in "\$@"; do
    if [ "\$previous" = --partial ] && [ -f "\$argument" ]; then
        size=\$(stat -c %s "\$argument")
    fi
    previous="\$argument"
done
# One line a count, whole, since counts end side by side.
echo "\$(tail -n 1 "$tmp/time.\$\$") \$kind \$size" >>"$tmp/counts.log"
rm -f "$tmp/time.\$\$"
exit \$status
EOF
chmod +x "$tmp/timed-analyzer"

# The summed resident memory of a process and all its descendants, sampled
# every fifth of a second while it runs: the driver, the local cluster's
# scheduler, nannies and workers, and the counts they run.
cat >"$tmp/treepeak.py" <<'EOF'
import os, subprocess, sys, time

def tree_kb(root):
    children = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % pid) as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            continue
        children.setdefault(parent, []).append(int(pid))
    total, todo = 0, [root]
    while todo:
        pid = todo.pop()
        todo += children.get(pid, [])
        try:
            with open("/proc/%d/status" % pid) as f:
                total += next(int(l.split()[1]) for l in f if l.startswith("VmRSS:"))
        except (OSError, StopIteration):
            pass
    return total

start = time.monotonic()
process = subprocess.Popen(sys.argv[2:])
peak = 0
while process.poll() is None:
    peak = max(peak, tree_kb(process.pid))
    time.sleep(0.2)
with open(sys.argv[1], "w") as f:
    f.write("%.1f %d\n" % (time.monotonic() - start, peak))
sys.exit(process.returncode)
EOF

cat "${files[@]}" >/dev/null # every run starts with the files in the page cache

echo "-- --corpus" >&2
/usr/bin/time -f "%e %M %U %S" -o "$tmp/time.log" "$analyze" "${options[@]}" --corpus \
    --out "$tmp/corpus" "$CORPUS"
read -r corpus_seconds corpus_kb user system < <(tail -n 1 "$tmp/time.log")

report="$tmp/report.txt"
{
    echo
    echo "LC_ALL=$LC_ALL, --locale en_US, $(nproc) CPUs shared with whatever else runs," \
        "one run each; corpus: ${#files[@]} files, $((bytes / 1000000)) MB."
    printf '%-50s %9s %9s %9s\n' "run" "seconds" "CPU s" "peak MB"
    printf '%-50s %9.1f %9.1f %9.0f\n' "--corpus" "$corpus_seconds" \
        "$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')" "$((corpus_kb / 1024))"
} >"$report"

for cut in "${runs[@]}"; do
    cluster_options=(--workers "$workers")
    name="lexometer-cluster, $workers workers"
    if [[ "$cut" != auto ]]; then
        cluster_options+=(--shards "${cut%%:*}" --fan-in "${cut##*:}")
        name+=", ${cut%%:*} shards, fan-in ${cut##*:}"
    fi
    echo "-- $name" >&2
    : >"$tmp/counts.log"
    # /usr/bin/time adds up the CPU of every process of the run, each
    # waited for by its parent.
    if ! /usr/bin/time -f "%U %S" -o "$tmp/cpu.log" \
        /usr/bin/python3 "$tmp/treepeak.py" "$tmp/tree.log" /usr/bin/python3 "$driver" \
        --analyzer "$tmp/timed-analyzer" "${options[@]}" "${cluster_options[@]}" \
        --out "$tmp/cluster" "$CORPUS" 2>"$tmp/stderr"; then
        echo "cluster.sh: $name failed:" >&2
        tail -n 5 "$tmp/stderr" >&2
        exit 1
    fi
    if ! diff -r -q "$tmp/corpus" "$tmp/cluster" >/dev/null; then
        echo "cluster.sh: the tables of $name differ from --corpus's" >&2
        exit 1
    fi
    rm -rf "$tmp/cluster"
    read -r seconds kb < "$tmp/tree.log"
    read -r user system < <(tail -n 1 "$tmp/cpu.log")
    /usr/bin/python3 - "$tmp/counts.log" "$bytes" "$name" "$seconds" "$kb" \
        "$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')" >>"$report" <<'EOF'
import sys

log, text_bytes, name, seconds, tree_kb, cpu = sys.argv[1:]
counts = [line.split() for line in open(log)]
# Seconds, peak KB, CPU seconds, and the partial's bytes (None for the
# tables).
def count(c):
    return (float(c[0]), int(c[1]), float(c[2]) + float(c[3]),
            None if c[5] == "-" else int(c[5]))

shards = [count(c) for c in counts if c[4] == "--corpus" and c[5] != "-"]
merges = [count(c) for c in counts if c[4] == "--merge"]
print("%-50s %9.1f %9.1f %9.0f" % (name, float(seconds), float(cpu), int(tree_kb) / 1024))
if shards:
    part = sum(c[3] for c in shards)
    cpu = sum(c[2] for c in shards)
    print("  %d shard counts: %.1f s summed, %.1f s the longest, %.1f CPU s (%.1f MB of "
          "text a CPU second), peak %.0f MB; partials %.0f MB, %.2f GB per GB of text"
          % (len(shards), sum(c[0] for c in shards), max(c[0] for c in shards), cpu,
             int(text_bytes) / 1e6 / cpu, max(c[1] for c in shards) / 1024,
             part / 1e6, part / int(text_bytes)))
tree = [m for m in merges if m[3] is not None]
final = [m for m in merges if m[3] is None]
if tree:
    print("  %d merges on the workers: %.1f s summed, %.1f CPU s, peak %.0f MB, %.0f MB "
          "written" % (len(tree), sum(m[0] for m in tree), sum(m[2] for m in tree),
                       max(m[1] for m in tree) / 1024, sum(m[3] for m in tree) / 1e6))
for m in final:
    print("  last merge into the tables: %.1f s, %.1f CPU s, peak %.0f MB"
          % (m[0], m[2], m[1] / 1024))
EOF
done
cat "$report"
