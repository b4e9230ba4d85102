#!/usr/bin/python3
"""Reads each .eml file named on the command line with Python's e-mail
parser and prints one JSON line per file: the defects found in any part,
the subject, and each attachment's file name with the SHA-256 of its bytes."""
import email
import email.policy
import hashlib
import json
import sys

for path in sys.argv[1:]:
    with open(path, "rb") as f:
        msg = email.message_from_binary_file(f, policy=email.policy.default)
    defects = []
    atts = []
    for part in msg.walk():
        defects += [type(d).__name__ for d in part.defects]
        if part.get_content_disposition() in ("attachment", "inline") and not part.is_multipart():
            data = part.get_payload(decode=True) or b""
            atts.append([part.get_filename() or "", hashlib.sha256(data).hexdigest()])
    print(json.dumps({"file": path, "defects": defects, "subject": str(msg["subject"] or ""), "attachments": atts}))
