#!/usr/bin/env python3
"""Holds the command's floors: every #include in tools/clipferry points to its
own floor or one below, and no file grows past 400 lines. Exits 1 and names
each offender otherwise."""
import os
import re
import sys

# Top to bottom: a file may include from its own floor or any floor after it.
FLOORS = ['commands', 'app', 'service', 'store', 'progress', 'text']
MOST_LINES = 400


def main(root):
    rank = {name: len(FLOORS) - i for i, name in enumerate(FLOORS)}
    faults = []
    for folder, _, files in os.walk(root):
        for name in sorted(files):
            if not name.endswith(('.h', '.cpp')):
                continue
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, root)
            with open(path, encoding='utf-8') as source:
                lines = source.readlines()
            if len(lines) > MOST_LINES:
                faults.append(f'{relative}: {len(lines)} lines, over {MOST_LINES}')
            floor = relative.split(os.sep)[0]
            if floor not in rank:
                continue  # main.cpp stands above every floor
            for number, line in enumerate(lines, 1):
                included = re.match(r'\s*#\s*include\s+"([a-z_]+)/', line)
                if included and rank.get(included.group(1), 0) > rank[floor]:
                    faults.append(f'{relative}:{number}: {line.strip()} reaches a floor above')
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else 'tools/clipferry'))
