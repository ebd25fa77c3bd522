#!/usr/bin/env bash
# Loading a text into the main window's editor, side by side with the
# analyser reading the same file; then the results window on that text and
# typing at the two ends of it.
#
#   bash bench/editor.sh [BUILD_DIR]     (default: build)
#
# CORPORA="path ..." replaces the two generated corpora.
set -euo pipefail

script=editor.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
find_build "${1:-}"
bench="$build/bin/editorbench"
if [[ ! -x "$bench" ]]; then
    echo "editor.sh: $bench is missing (Google Benchmark not found?)" >&2
    exit 1
fi

find_corpora
export QT_QPA_PLATFORM=offscreen

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# best MODE FILE: the shortest in-process time of RUNS runs (default 3) and
# the largest peak memory, as "seconds peakMB".
best() {
    local mode="$1" file="$2" time="" peak=0 run
    for ((run = 0; run < ${RUNS:-3}; ++run)); do
        /usr/bin/time -f "%M" -o "$tmp/peak" "$bench" "$mode" "$file" >"$tmp/out" 2>/dev/null
        local seconds kb
        seconds="$(awk '{ print $2; exit }' "$tmp/out")"
        kb="$(tail -n 1 "$tmp/peak")"
        if [[ -z "$time" ]] || awk -v a="$seconds" -v b="$time" 'BEGIN { exit !(a < b) }'; then
            time="$seconds"
        fi
        ((kb > peak)) && peak="$kb"
    done
    echo "$time $((peak / 1024))"
}

printf '%-14s %6s  %-16s %-16s %6s  %s\n' corpus MB "read s / peak MB" "load s / peak MB" "ratio" \
    "window"
for file in "${corpora[@]}"; do
    cat "$file" >/dev/null # both start with the file in the page cache
    size="$(stat -c %s "$file")"
    read -r readTime readPeak < <(best --read "$file")
    read -r loadTime loadPeak < <(best --load "$file")
    ratio="$(awk -v a="$loadTime" -v b="$readTime" 'BEGIN { printf "%.2f", a / b }')"
    window="$("$bench" --analyze "$file" 2>/dev/null | sed 's/^analyze //')"
    printf '%-14s %6.1f  %-16s %-16s %6s  %s\n' "$(basename "$file")" \
        "$(awk -v s="$size" 'BEGIN { print s / 1e6 }')" "$readTime / $readPeak" \
        "$loadTime / $loadPeak" "$ratio" "$window"
    "$bench" --type "$file" 2>/dev/null | sed 's/^/    /'
done
echo "read: the analyser's reading of the file; load: the editor's; ratio: load / read."
echo "$(nproc) CPUs; best of ${RUNS:-3} runs, warm page cache."
