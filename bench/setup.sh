# Sourced by the benchmark scripts; $script names the caller in messages.

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# Sets `build` to the absolute build folder named by $1 (default "build"),
# relative to the caller's folder or to the project's.
find_build() {
    local root
    root="$(dirname "$here")"
    build="${1:-build}"
    if [[ ! -d "$build" && -d "$root/$build" ]]; then
        build="$root/$build"
    fi
    build="$(cd "$build" && pwd)" || { echo "$script: no build folder '$1'" >&2; exit 1; }
}

# Sets `corpora` to CORPORA="path ..." or to the three generated corpora,
# writing them first if need be.
find_corpora() {
    if [[ -n "${CORPORA:-}" ]]; then
        read -r -a corpora <<<"$CORPORA"
    else
        python3 "$here/gencorpus.py" --out "$here/corpora" >&2
        corpora=("$here/corpora/kjv25.txt" "$here/corpora/synthetic.txt"
            "$here/corpora/distinct.txt")
    fi
}

# Sets `files` to the corpus files of CORPUS=DIR, or of the generated folder
# of about 1 GB in 400 files (written first if need be), in the order
# $analyze --list-files gives, and `bytes` to their size.
find_corpus_folder() {
    if [[ -z "${CORPUS:-}" ]]; then
        python3 "$here/gencorpus.py" --out "$here/corpora" >&2
        /usr/bin/python3 "$here/gencorpusdir.py" >&2
        CORPUS="$here/corpora/corpus"
    fi
    mapfile -t files < <("$analyze" --corpus --list-files "$CORPUS")
    bytes=$(cat "${files[@]}" | wc -c)
    echo "== ${#files[@]} files, $((bytes / 1000000)) MB in $CORPUS" >&2
}
