"""Prints where, under PREFIX, this interpreter looks for pure-Python packages
(relative to PREFIX): the entry of its own path under PREFIX/lib, else
sysconfig's purelib for PREFIX. cmake installs the package there.

    python3 -I site_dir.py PREFIX

Debian's Python searches /usr/lib/python3/dist-packages and
/usr/local/lib/python3.X/dist-packages, which sysconfig's default scheme
does not name for a prefix; a venv, a pyenv or any other prefix's own Python
has its site-packages on its path.
"""

import os
import sys
import sysconfig

prefix = os.path.realpath(sys.argv[1])
for entry in sys.path:
    if not entry.endswith(("site-packages", "dist-packages")):
        continue
    relative = os.path.relpath(os.path.realpath(entry), prefix)
    if relative.startswith("lib" + os.sep):
        print(relative)
        break
else:
    purelib = sysconfig.get_path("purelib", "posix_prefix", vars={"base": prefix, "platbase": prefix})
    print(os.path.relpath(purelib, prefix))
