#!/usr/bin/python3
"""Writes Maildir stores for tests, independently of the component.

Usage: mkmaildir.py ROOT PLAN   (PLAN: a JSON file, or "-" for standard input)

PLAN = {
  "layout": "maildir++" | "nested",
  "inbox": "INBOX",                 # nested only: the Inbox directory's name
  "folders": {                      # display names, "/" between levels
    "Inbox": 3,                     # three generated messages
    "Archive/2023": [               # or a list of messages
      {"time": 1600000000, "subdir": "cur", "flags": "S",
       "subject": "...", "file": "path/of/a/message.eml"}
    ],
    "Empty": 0
  },
  "plain": ["Projects"]             # directories that hold no maildir
}

Folder names are written in IMAP modified UTF-7 (RFC 3501). Messages with a
"time" get the unique name "<time>.<n>.mkmaildir"; the others are added by
Python's mailbox module. Prints {"folder": ["relative/path", ...]} in the
order written.
"""
import base64
import email.message
import email.utils
import json
import mailbox
import os
import sys


def utf7_imap(name):
    out, run = [], []

    def flush():
        if run:
            b = base64.b64encode("".join(run).encode("utf-16-be")).decode().rstrip("=")
            out.append("&" + b.replace("/", ",") + "-")
            run.clear()

    for ch in name:
        if 0x20 <= ord(ch) <= 0x7E:
            flush()
            out.append("&-" if ch == "&" else ch)
        else:
            run.append(ch)
    flush()
    return "".join(out)


def folder_dir(root, layout, inbox, name):
    parts = name.split("/")
    if layout == "maildir++":
        if name == "Inbox":
            return root
        return os.path.join(root, "." + ".".join(utf7_imap(p) for p in parts))
    if parts[0] == "Inbox":
        parts[0] = inbox
    return os.path.join(root, *[utf7_imap(p) for p in parts])


def make_message(folder, n, plan):
    if "file" in plan:
        with open(plan["file"], "rb") as f:
            return f.read()
    msg = email.message.EmailMessage()
    msg["From"] = plan.get("from", "Sender %d <sender%d@example.org>" % (n, n))
    msg["To"] = "Recipient <rcpt@example.org>"
    msg["Subject"] = plan.get("subject", "Message %d in %s" % (n, folder))
    msg["Date"] = email.utils.formatdate(plan.get("time", 1600000000 + n), localtime=False)
    msg["Message-ID"] = "<%d.%s@mkmaildir>" % (n, abs(hash(folder)))
    msg.set_content(plan.get("body", "Body of message %d.\n" % n))
    return msg.as_bytes()


def write_timed(box_dir, n, plan, data):
    unique = "%d.%d.mkmaildir" % (plan["time"], n)
    subdir = plan.get("subdir", "new")
    name = unique if subdir == "new" else unique + ":2," + "".join(sorted(plan.get("flags", "")))
    tmp = os.path.join(box_dir, "tmp", unique)
    with open(tmp, "wb") as f:
        f.write(data)
    os.rename(tmp, os.path.join(box_dir, subdir, name))
    return os.path.join(subdir, name)


def listing(box_dir):
    return {os.path.join(d, f) for d in ("new", "cur") for f in os.listdir(os.path.join(box_dir, d))}


def main():
    root, plan_path = sys.argv[1], sys.argv[2]
    plan = json.load(sys.stdin if plan_path == "-" else open(plan_path))
    layout = plan.get("layout", "maildir++")
    inbox = plan.get("inbox", "INBOX")
    os.makedirs(root, exist_ok=True)
    written = {}
    for name, messages in plan.get("folders", {}).items():
        box_dir = folder_dir(root, layout, inbox, name)
        for sub in ("cur", "new", "tmp"):
            os.makedirs(os.path.join(box_dir, sub), exist_ok=True)
        if layout == "maildir++" and box_dir != root:
            open(os.path.join(box_dir, "maildirfolder"), "ab").close()
        box = mailbox.Maildir(box_dir, create=False)
        if isinstance(messages, int):
            messages = [{} for _ in range(messages)]
        files = []
        for n, m in enumerate(messages, 1):
            data = make_message(name, n, m)
            if "time" in m:
                rel = write_timed(box_dir, n, m, data)
            else:
                md = mailbox.MaildirMessage(data)
                md.set_subdir(m.get("subdir", "new"))
                if m.get("flags"):
                    md.set_flags(m["flags"])
                before = listing(box_dir)
                box.add(md)
                (rel,) = listing(box_dir) - before
            files.append(os.path.relpath(os.path.join(box_dir, rel), root))
        written[name] = files
    for name in plan.get("plain", []):
        os.makedirs(folder_dir(root, layout, inbox, name), exist_ok=True)
    json.dump(written, sys.stdout)


if __name__ == "__main__":
    main()
