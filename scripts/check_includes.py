#!/usr/bin/python3
"""Fails when a library's include runs up the layers.

Every source under src/ belongs to the library whose folder is the deepest one
above it; a folder that no library holds has no place. A library may include
its own headers and those of the libraries it stands on, whatever the depth of
either path. Entry points, demos and the command-line tool may include what
they assemble.
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
# Subsystems made of rooms, a library each, ranked bottom up within the
# subsystem as the subsystems are among themselves.
ROOMS = {
    "analysis": [["engine"], ["corpus", "concordance"], ["report", "jobs"]],
    "analysis/ui": [["common"], ["chart", "concordance"], ["results"], ["batch"]],
}
# They assemble the program and may include anything.
EXEMPT = [
    re.compile(r"^cli/"),
    re.compile(r"(^|/)demo/"),
    re.compile(r"^shell/main\.cpp$"),
    re.compile(r"^import/pdfconverter/"),
]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def libraries(subsystem):
    """The libraries a subsystem is built as: its rooms, or itself."""
    if subsystem not in ROOMS:
        return [subsystem]
    return [f"{subsystem}/{room}" for rank in ROOMS[subsystem] for room in rank]


def below(ranks, name):
    """The libraries of the ranks under the one that holds name."""
    for rank, names in enumerate(ranks):
        if name in names:
            return {lib for lower in ranks[:rank] for n in lower for lib in libraries(n)}
    raise KeyError(name)


def subsystem_allows(subsystem):
    """What every library of a subsystem may include outside the subsystem."""
    if any(subsystem in names for names in ENGINES):
        return below(ENGINES, subsystem)
    windows = below(WINDOWS, subsystem)
    if subsystem == "widgets":
        return windows | {"text"}
    engine = subsystem.split("/")[0]
    return windows | set(libraries(engine)) | below(ENGINES, engine)


def allowed(library):
    """The libraries `library` may include, itself among them."""
    subsystem, _, room = library.rpartition("/")
    if subsystem in ROOMS and any(room in names for names in ROOMS[subsystem]):
        rooms = [[f"{subsystem}/{r}" for r in names] for names in ROOMS[subsystem]]
        return {library} | below(rooms, library) | subsystem_allows(subsystem)
    return {library} | subsystem_allows(library)


ALL = sorted(
    (lib for ranks in (ENGINES, WINDOWS) for names in ranks for n in names for lib in libraries(n)),
    key=len,
    reverse=True,
)


def library_of(path):
    """The library whose folder holds path, the deepest one; None for none."""
    folder = path.rpartition("/")[0]
    for library in ALL:
        if folder == library or folder.startswith(library + "/"):
            return library
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
        library = library_of(relative)
        if library is None:
            faults.append(f"{relative}: the folder {path.parent.relative_to(root).as_posix()} "
                          "has no place in the layers")
            continue
        permitted = allowed(library)
        for included in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if "/" not in included:
                continue  # a generated file beside the source, such as a .moc
            target = library_of(included)
            if target is None:
                faults.append(f"{relative}: includes {included}, which no library holds")
            elif target not in permitted:
                faults.append(f"{relative}: includes {included} of {target}, above {library}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "src"))
