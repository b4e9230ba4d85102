#!/usr/bin/python3
"""Generates the engine benchmark's Maildir store: N messages in 10 folders
below the Inbox, a third with attachments (one to three, a few KB), one in
500 with a large attachment (2 MB). Same store for the same N.

Usage: genstore.py ROOT N
"""
import email.policy
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "tools"))
import engstore  # noqa: E402


def spec(n):
    m = {"subject": "Bench message %d" % n, "from": "Sender %d <s%d@bench.example>" % (n % 97, n % 97),
         "time": 1600000000 + n * 600, "msgid": "<bench.%d@example>" % n,
         "body": ("Line of text for message %d.\n" % n) * 20}
    if n % 3 == 0:
        m["atts"] = [{"name": "file%d-%d.bin" % (n, k), "size": 2000 + (n * 37 + k * 911) % 9000, "seed": n * 4 + k}
                     for k in range(1 + n % 3 + (n // 3) % 2)]
    if n % 500 == 0:
        m.setdefault("atts", []).append({"name": "large%d.bin" % n, "size": 2 * 1024 * 1024, "seed": n})
    return m


def main():
    root, count = sys.argv[1], int(sys.argv[2])
    folders = ["INBOX"] + ["INBOX/F%02d" % i for i in range(1, 10)]
    for f in folders:
        for sub in ("cur", "new", "tmp"):
            os.makedirs(os.path.join(root, f, sub), exist_ok=True)
    for n in range(1, count + 1):
        box = os.path.join(root, folders[n % len(folders)])
        data = engstore.build(spec(n), n).as_bytes(policy=email.policy.SMTP)
        with open(os.path.join(box, "cur", "%010d.%06d.bench:2,S" % (1600000000 + n * 600, n)), "wb") as fh:
            fh.write(data)


if __name__ == "__main__":
    main()
