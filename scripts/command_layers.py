#!/usr/bin/env python3
# Prints every include in tools/clipferry that points to a floor above the includer.
import os, re, sys
root = sys.argv[1] if len(sys.argv) > 1 else 'tools/clipferry'
rank = {'text': 0, 'progress': 1, 'store': 2, 'service': 3, 'app': 4, 'commands': 5}
bad = 0
for d, _, fs in os.walk(root):
    for f in fs:
        if not f.endswith(('.h', '.cpp')): continue
        p = os.path.join(d, f); rel = os.path.relpath(p, root)
        top = rel.split('/')[0]
        if top not in rank: continue
        for n, line in enumerate(open(p), 1):
            m = re.match(r'#include "([a-z_]+)/', line)
            if m and m.group(1) in rank and rank[m.group(1)] > rank[top]:
                if f.endswith('.h') or True:
                    print(f'{rel}:{n}: {line.strip()}'); bad += 1
print(bad, 'upward includes')
