#!/usr/bin/python3
"""Prints an LV2 preset bundle's port values as lv2apply arguments (-c SYMBOL VALUE ...).

The bundle is read through sordi, an independent Turtle reader, so what is tested is what any
LV2 host would load from it."""
import re
import subprocess
import sys

SYMBOL = "<http://lv2plug.in/ns/lv2core#symbol>"
VALUE = "<http://lv2plug.in/ns/ext/presets#value>"


def main(path):
    triples = subprocess.run(["sordi", path], capture_output=True, text=True, check=True).stdout
    symbols, values = {}, {}
    for line in triples.splitlines():
        m = re.match(r'(\S+) (\S+) "([^"]*)"', line)
        if not m:
            continue
        if m.group(2) == SYMBOL:
            symbols[m.group(1)] = m.group(3)
        elif m.group(2) == VALUE:
            values[m.group(1)] = m.group(3)
    args = []
    for node, symbol in symbols.items():
        args += ["-c", symbol, values[node]]
    print(" ".join(args))


if __name__ == "__main__":
    main(sys.argv[1])
