#!/usr/bin/python3
"""Fails when a library's include runs up the layers.

Each folder under src/ is a library; it may include its own headers and those
of the libraries below it. Entry points, demos and the command-line tool may
include what they assemble.
"""
import pathlib
import re
import sys

# The engines (QtCore and ICU only), bottom up; one rank may not include
# another of the same rank.
ENGINES = [
    ["text"],
    # Every window's text passes through the lookup.
    ["localization"],
    ["import", "info"],
    ["analysis", "online"],
    ["shell"],
]
# The windows, bottom up. A subsystem's windows stand above its engine: they
# may include it, the engines below it, and the windows below them.
WINDOWS = [
    ["widgets"],
    ["import/ui", "localization/ui", "info/ui"],
    ["analysis/ui", "online/ui"],
    ["shell/ui"],
]
# They assemble the program and may include anything.
EXEMPT = [
    re.compile(r"^cli/"),
    re.compile(r"(^|/)demo/"),
    re.compile(r"^shell/main\.cpp$"),
    re.compile(r"^import/pdfconverter/"),
]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+(?:/ui)?)/[^"/]+"', re.M)


def allowed(library):
    """The libraries `library` may include, itself among them."""
    for rank, names in enumerate(ENGINES):
        if library in names:
            return {library} | {n for below in ENGINES[:rank] for n in below}
    for rank, names in enumerate(WINDOWS):
        if library in names:
            windows = {library} | {n for below in WINDOWS[:rank] for n in below}
            if library == "widgets":
                return windows | {"text"}
            return windows | allowed(library.split("/")[0])
    return None


def main(source):
    root = pathlib.Path(source)
    faults = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".in"):
            continue
        relative = path.relative_to(root).as_posix()
        if any(rule.search(relative) for rule in EXEMPT):
            continue
        parts = relative.split("/")
        library = "/".join(parts[:2]) if len(parts) > 2 and parts[1] == "ui" else parts[0]
        permitted = allowed(library)
        if permitted is None:
            faults.append(f"{relative}: the folder {library} has no place in the layers")
            continue
        for included in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if included not in permitted:
                faults.append(f"{relative}: includes {included}, above {library}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "src"))
