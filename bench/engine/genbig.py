#!/usr/bin/python3
"""Writes a Maildir store holding one big message: a short text and one
attachment of SIZE MiB (seeded pseudo-random bytes, base64 as mail programs
send it), without holding the message in memory. Prints the attachment's
name, size and sha256, so what an export wrote can be checked.

Usage: genbig.py ROOT SIZE_MIB
"""
import base64
import hashlib
import os
import random
import sys


def main():
    root, mib = sys.argv[1], int(sys.argv[2])
    for sub in ("cur", "new", "tmp"):
        os.makedirs(os.path.join(root, "INBOX", sub), exist_ok=True)
    size = mib * 1024 * 1024
    rng = random.Random(mib)
    digest = hashlib.sha256()
    path = os.path.join(root, "INBOX", "cur", "1700000000.big.bench:2,S")
    with open(path, "wb") as out:
        out.write(b"From: Ann Alder <ann@example.org>\r\nTo: Bob Birch <bob@example.org>\r\n"
                  b"Subject: Big scan\r\nDate: Tue, 14 Nov 2023 22:13:20 +0000\r\n"
                  b"Message-ID: <big.bench@example.org>\r\nMIME-Version: 1.0\r\n"
                  b"Content-Type: multipart/mixed; boundary=\"=-big-boundary\"\r\n\r\n"
                  b"--=-big-boundary\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nThe scan is attached.\r\n"
                  b"--=-big-boundary\r\nContent-Type: application/octet-stream; name=\"scan.bin\"\r\n"
                  b"Content-Disposition: attachment; filename=\"scan.bin\"\r\n"
                  b"Content-Transfer-Encoding: base64\r\n\r\n")
        chunk = 57 * 16384  # whole 76-character lines
        left = size
        while left > 0:
            data = rng.randbytes(min(chunk, left))
            left -= len(data)
            digest.update(data)
            encoded = base64.encodebytes(data).replace(b"\n", b"\r\n")
            out.write(encoded)
        out.write(b"--=-big-boundary--\r\n")
    print("scan.bin", size, digest.hexdigest())


if __name__ == "__main__":
    main()
