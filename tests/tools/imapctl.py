#!/usr/bin/env python3
"""An independent IMAP client for the tests (Python's imaplib).

imapctl.py PORT PASSWORD COMMAND ARGS...
  append MAILBOX FLAGS UNIXTIME   the message on stdin; prints the new UID
  create MAILBOX | delete MAILBOX
  recreate MAILBOX                 deletes and creates again, keeping the
                                   messages (the server gives a new UIDVALIDITY)
  messages MAILBOX                 JSON: uid, flags, internal date, subject,
                                   message-id, size of every message
  raw MAILBOX UID                  the message's bytes (BODY.PEEK[])
"""
import email
import email.policy
import imaplib
import json
import re
import sys
import time


def connect(port, password):
    m = imaplib.IMAP4("127.0.0.1", int(port))
    m.login("tester", password)
    return m


def check(typ, data):
    if typ != "OK":
        sys.exit("server said %s %r" % (typ, data))
    return data


def messages(m, box):
    check(*m.select('"%s"' % box, readonly=True))
    out = []
    typ, data = m.uid("FETCH", "1:*", "(UID FLAGS INTERNALDATE RFC822.SIZE BODY.PEEK[HEADER])")
    for item in data:
        if not isinstance(item, tuple):
            continue
        meta = item[0].decode()
        head = email.message_from_bytes(item[1], policy=email.policy.default)
        out.append({
            "uid": int(re.search(r"UID (\d+)", meta).group(1)),
            # \Recent says which session saw it first, not what the message is.
            "flags": sorted(f for f in re.search(r"FLAGS \(([^)]*)\)", meta).group(1).split() if f != "\\Recent"),
            "date": int(time.mktime(imaplib.Internaldate2tuple(item[0]))),
            "size": int(re.search(r"RFC822.SIZE (\d+)", meta).group(1)),
            "subject": str(head.get("Subject", "")),
            "messageId": str(head.get("Message-ID", "")),
        })
    out.sort(key=lambda e: e["uid"])
    return out


def main():
    port, password, cmd = sys.argv[1:4]
    args = sys.argv[4:]
    m = connect(port, password)
    if cmd == "append":
        box, flags, when = args
        data = check(*m.append('"%s"' % box, flags or None, imaplib.Time2Internaldate(int(when)),
                               sys.stdin.buffer.read()))
        print(re.search(rb"APPENDUID \d+ (\d+)", data[0]).group(1).decode())
    elif cmd in ("create", "delete"):
        check(*getattr(m, cmd)('"%s"' % args[0]))
    elif cmd == "recreate":
        box = args[0]
        check(*m.select('"%s"' % box))
        typ, data = m.uid("FETCH", "1:*", "(FLAGS INTERNALDATE BODY.PEEK[])")
        kept = [(item[0], item[1]) for item in data if isinstance(item, tuple)]
        m.close()
        check(*m.delete('"%s"' % box))
        check(*m.create('"%s"' % box))
        for meta, raw in kept:
            check(*m.append('"%s"' % box, None, imaplib.Time2Internaldate(imaplib.Internaldate2tuple(meta)), raw))
    elif cmd == "messages":
        json.dump(messages(m, args[0]), sys.stdout)
    elif cmd == "raw":
        check(*m.select('"%s"' % args[0], readonly=True))
        typ, data = m.uid("FETCH", args[1], "(BODY.PEEK[])")
        sys.stdout.buffer.write(data[0][1])
    else:
        sys.exit(__doc__)
    m.logout()


if __name__ == "__main__":
    main()
