#!/usr/bin/env bash
# Checks that two builds of lexometer-analyze write byte-identical tables on
# the benchmark corpora, under each locale given.
#
#   bash bench/sametables.sh OLD_ANALYZER NEW_ANALYZER [LOCALE ...]
#
# Locales default to en_US and de_DE; CORPORA="path ..." replaces the three
# generated corpora. The old build's tables are kept in bench/corpora/tables
# (by corpus, locale and the old analyser's checksum) and reused.
set -euo pipefail

export LC_ALL=C.UTF-8 LANG=C.UTF-8
unset LANGUAGE

script=sametables.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

if (($# < 2)); then
    echo "usage: bash bench/sametables.sh OLD_ANALYZER NEW_ANALYZER [LOCALE ...]" >&2
    exit 2
fi
old="$(realpath "$1")" new="$(realpath "$2")"
shift 2
locales=("$@")
((${#locales[@]})) || locales=(en_US de_DE)

find_corpora

oldsum="$(sha256sum "$old" | cut -c1-12)"
cache="$here/corpora/tables"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

differ=0
for file in "${corpora[@]}"; do
    corpus="$(basename "$file")"
    for locale in "${locales[@]}"; do
        reference="$cache/$corpus.$locale.$oldsum"
        if [[ ! -d "$reference" ]]; then
            mkdir -p "$cache"
            "$old" --quiet --locale "$locale" --out "$tmp/ref" "$file"
            mv "$tmp/ref" "$reference"
        fi
        "$new" --quiet --locale "$locale" --out "$tmp/new" "$file"
        if diff -r -q "$reference" "$tmp/new" >"$tmp/diff"; then
            echo "same   $corpus $locale ($(ls "$tmp/new" | wc -l) tables)"
        else
            echo "DIFFER $corpus $locale:"
            sed 's/^/    /' "$tmp/diff"
            differ=1
        fi
        rm -rf "$tmp/new"
    done
done
exit "$differ"
