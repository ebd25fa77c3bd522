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
