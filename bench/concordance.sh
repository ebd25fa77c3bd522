#!/usr/bin/env bash
# The concordance of a word on a large text, side by side with the plain
# tools a user would reach for: wc -w (one pass over the words) and
# grep -o -w -i WORD | wc -l (the count, without context or collation).
#
#   bash bench/concordance.sh [BUILD_DIR] [WORD]     (defaults: build, the)
#
# CORPORA="path ..." replaces kjv25.txt.
set -euo pipefail

script=concordance.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
find_build "${1:-}"
word="${2:-the}"
bench="$build/bin/concordancebench"
tool="$build/bin/lexometer-analyze"
if [[ ! -x "$bench" ]]; then
    echo "concordance.sh: $bench is missing (Google Benchmark not found?)" >&2
    exit 1
fi
if [[ -z "${CORPORA:-}" ]]; then
    python3 "$here/gencorpus.py" --out "$here/corpora" >&2
    CORPORA="$here/corpora/kjv25.txt"
fi
read -r -a corpora <<<"$CORPORA"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# timed LABEL COMMAND...: wall seconds and peak MB of one run.
timed() {
    local label="$1"
    shift
    /usr/bin/time -f "%e %M" -o "$tmp/time" "$@" >"$tmp/out" 2>/dev/null
    read -r seconds kb <"$tmp/time"
    printf '  %-44s %7.2f s %7d MB   %s\n' "$label" "$seconds" "$((kb / 1024))" \
        "$(head -c 80 "$tmp/out" | head -n 1)"
}

for file in "${corpora[@]}"; do
    cat "$file" >/dev/null # all start with the file in the page cache
    echo "$(basename "$file") ($(stat -c %s "$file") bytes), \"$word\":"
    timed "wc -w" wc -w "$file"
    timed "grep -o -w -i $word | wc -l" sh -c 'grep -o -w -i "$1" "$2" | wc -l' sh "$word" "$file"
    timed "engine: read, then all hits (find)" "$bench" --find "$file" "$word"
    timed "engine: read, find, sort by 1R, by 1R 2R 3R" "$bench" --sort "$file" "$word"
    if "$tool" --help 2>/dev/null | grep -q -- --concordance; then
        timed "lexometer-analyze --concordance (to /dev/null)" \
            sh -c '"$1" --concordance "$2" "$3" | wc -l' sh "$tool" "$word" "$file"
    fi
done
echo "The engine's own times (without reading the file) are on its lines; peaks"
echo "include the text. $(nproc) CPUs, warm page cache."
LEXO_BENCH_FILE="${corpora[0]}" "$bench" --benchmark_min_time=0.2
