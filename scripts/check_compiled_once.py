#!/usr/bin/python3
"""Fails when a source file is compiled by more than one target.

Tests, benchmarks and tools link the libraries that hold the program's
sources instead of compiling them again.

    /usr/bin/python3 scripts/check_compiled_once.py BUILD_DIR/compile_commands.json
"""
import collections
import json
import sys


def main(database):
    with open(database, encoding="utf-8") as file:
        commands = json.load(file)
    counts = collections.Counter(command["file"] for command in commands)
    twice = sorted(path for path, count in counts.items() if count > 1)
    for path in twice:
        print(f"{path}: compiled {counts[path]} times")
    return 1 if twice else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
