#!/usr/bin/env python3
"""Holds the command's floors: every #include in tools/clipferry points to its
own floor or one below, and no file grows past 400 lines. And holds the hosts
apart: the command (tools/, tests/tools/) and the Qt library (qt/) include
nothing of each other's, and their CMake files name none of each other's
targets; what both need lives in common/. Exits 1 and names each offender
otherwise."""
import os
import re
import sys

# Top to bottom: a file may include from its own floor or any floor after it.
FLOORS = ['commands', 'app', 'service', 'store', 'progress', 'text']
MOST_LINES = 400

# Each host's folders, and the folders its includes are looked up in (the
# including file's own folder comes first), relative to the project's root.
HOSTS = {
    'the command': {'folders': ['tools', 'tests/tools'], 'roots': ['tools/clipferry', 'tests/tools']},
    'the Qt library': {'folders': ['qt'], 'roots': ['qt/src', 'qt/include', 'qt/tests', 'qt/app']},
}
INCLUDE = re.compile(r'\s*#\s*include\s*[<"]([^>"]+)[>"]')
TARGET = re.compile(r'add_(?:library|executable)\(\s*([A-Za-z0-9_]+)')


def inside(path, folders):
    return any(path == folder or path.startswith(folder + os.sep) for folder in folders)


def sources(project, folders, suffixes):
    for top in folders:
        for folder, _, files in os.walk(os.path.join(project, top)):
            for name in sorted(files):
                if name.endswith(suffixes) or name in suffixes:
                    yield os.path.join(folder, name)


def host_faults(project):
    """Includes and targets that reach from one host into the other."""
    faults = []
    for host, own in HOSTS.items():
        for other_name, other in HOSTS.items():
            if other_name == host:
                continue
            for path in sources(project, own['folders'], ('.h', '.cpp')):
                relative = os.path.relpath(path, project)
                with open(path, encoding='utf-8') as source:
                    lines = source.readlines()
                for number, line in enumerate(lines, 1):
                    included = INCLUDE.match(line)
                    if not included:
                        continue
                    # Where the name is found: the file's folder, then every root of both hosts.
                    bases = [os.path.dirname(path)] + [os.path.join(project, root)
                                                        for root in own['roots'] + other['roots']]
                    found = [os.path.relpath(os.path.normpath(os.path.join(base, included.group(1))), project)
                             for base in bases]
                    found = [hit for hit in found if os.path.isfile(os.path.join(project, hit))]
                    if found and not inside(found[0], own['folders']) and inside(found[0], other['folders']):
                        faults.append(f'{relative}:{number}: {line.split("//")[0].strip()} reaches into {other_name} '
                                      f'({found[0]}); shared code belongs in common/')
            theirs = set()
            for path in sources(project, other['folders'], ('CMakeLists.txt',)):
                with open(path, encoding='utf-8') as source:
                    theirs.update(TARGET.findall(source.read()))
            for path in sources(project, own['folders'], ('CMakeLists.txt',)):
                relative = os.path.relpath(path, project)
                with open(path, encoding='utf-8') as source:
                    for number, line in enumerate(source, 1):
                        for target in sorted(theirs & set(re.findall(r'[A-Za-z0-9_]+', line.split('#')[0]))):
                            faults.append(f'{relative}:{number}: uses {target}, a target of {other_name}')
    return faults


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
    # The project holds tools/clipferry; its hosts are checked with it.
    project = os.path.dirname(os.path.dirname(os.path.abspath(root)))
    faults += host_faults(project)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else 'tools/clipferry'))
