#!/usr/bin/python3
"""Lists a compound file with olefile: one line per stream, "path size sha256",
then the faults of its directory trees as lines starting with "FAULT".

Usage: fmt_cfb_read.py FILE"""
import hashlib
import os
import sys

import olefile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fmt_olecheck import check_tree  # noqa: E402

ole = olefile.OleFileIO(sys.argv[1])
for path in sorted(ole.listdir(streams=True, storages=False)):
    data = ole.openstream(path).read()
    print("/".join(path), len(data), hashlib.sha256(data).hexdigest(), data[:64].hex())
for fault in check_tree(ole, sys.argv[1]):
    print("FAULT", fault)
