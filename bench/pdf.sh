#!/usr/bin/env bash
# Times the two ways a PDF becomes text, beside pdftotext alone, on a PDF of
# several hundred pages made from the King James corpus.
#
#   bash bench/pdf.sh [BUILD_DIR]     (default: build)
#
# PDF=path times another file; RUNS=n changes the best of three.
set -euo pipefail

script=pdf.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
find_build "${1:-}"

pdfbench="$build/bin/pdfbench"
if [[ ! -x "$pdfbench" ]]; then
    echo "pdf.sh: $pdfbench is missing; build it first" >&2
    exit 1
fi
runs="${RUNS:-3}"

pdf="${PDF:-}"
if [[ -z "$pdf" ]]; then
    pdf="$here/corpora/kjv.pdf"
    if [[ ! -f "$pdf" ]]; then
        python3 "$here/gencorpus.py" --out "$here/corpora" >&2
        python3 "$here/genpdf.py" "$here/corpora/kjv25.txt" "$pdf" >&2
    fi
fi

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
cat "$pdf" >/dev/null

# Best wall-clock seconds and the peak MB of that run, of $runs runs.
best() {
    local best_s="" best_kb=""
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -f "%e %M" -o "$tmp/time" "$@" >/dev/null 2>"$tmp/err" ||
            { cat "$tmp/err" >&2; exit 1; }
        read -r s kb <"$tmp/time"
        if [[ -z "$best_s" ]] || awk "BEGIN { exit !($s < $best_s) }"; then
            best_s=$s best_kb=$kb
        fi
    done
    printf '%8.2f %8.0f' "$best_s" "$((best_kb / 1024))"
}

pages="$(pdfinfo "$pdf" 2>/dev/null | awk '/^Pages:/ { print $2 }')"
printf '%s: %s pages, %s MB\n\n' "$(basename "$pdf")" "${pages:-?}" \
    "$(awk "BEGIN { printf \"%.1f\", $(stat -c %s "$pdf") / 1048576 }")"
printf '%-36s %8s %8s\n' "Row" "seconds" "peak MB"
printf '%-36s %s\n' "in-process (pdfbench pdfium)" "$(best "$pdfbench" pdfium "$pdf")"
printf '%-36s %s\n' "tool road (pdfbench xpdf)" "$(best "$pdfbench" xpdf "$pdf")"
printf '%-36s %s\n' "pdftotext -enc UTF-8 alone" \
    "$(best pdftotext -enc UTF-8 "$pdf" "$tmp/out.txt")"
