#!/usr/bin/python3
"""Reads one message file with Python's email package (an independent
reader) and prints JSON: subject, the attachments (file name, content type,
decoded size, decoded content as hex) and the parser's defects.

usage: msgread.py FILE
"""
import json
import sys
from email import policy
from email.parser import BytesParser


def main():
    with open(sys.argv[1], "rb") as f:
        msg = BytesParser(policy=policy.default).parse(f)
    attachments = []
    for part in msg.iter_attachments():
        data = part.get_payload(decode=True) or b""
        attachments.append({
            "filename": part.get_filename(),
            "type": part.get_content_type(),
            "size": len(data),
            "hex": data.hex(),
            "encoding": part.get("Content-Transfer-Encoding", ""),
        })
    defects = [type(d).__name__ for d in msg.defects]
    for part in msg.walk():
        defects += [type(d).__name__ for d in part.defects]
    print(json.dumps({"subject": str(msg["subject"]), "type": msg.get_content_type(),
                      "attachments": attachments, "defects": defects}))


if __name__ == "__main__":
    main()
