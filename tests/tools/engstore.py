#!/usr/bin/python3
"""Writes and reads Maildir stores for the engine's end-to-end tests,
independently of the component (Python's email and mailbox modules only).

  engstore.py write ROOT SPEC   SPEC: a JSON file, or "-" for standard input
  engstore.py read ROOT         prints the store as JSON

SPEC = {"layout": "nested" | "maildir++",
        "folders": {"Inbox": [MSG, ...], "Inbox/Sub": [...], "Archive": []},
        "plain": ["Projects"]}       # directories that hold no maildir
MSG  = {"subject": "...", "from": "Name <a@b>", "to": "Name <c@d>",
        "time": 1700000000,            # Date header and delivery order
        "body": "text", "html": "<p>..</p>",
        "inline": ["logo.png"],        # images of the HTML body (multipart/related)
        "atts": [{"name": "a.pdf", "size": 1234, "seed": 1, "ctype": "application/pdf"}],
        "embedded": [MSG],             # attached e-mails (message/rfc822)
        "signed": true,                # multipart/signed around the content
        "meeting": true}               # a text/calendar REQUEST part
Attachment bytes are seeded pseudo-random data, so each test knows them.

read prints {"<folder dir relative to ROOT>": [{"file", "subject", "class",
"atts": [{"name", "ctype", "size", "sha256", "embedded"}]}]} with the messages in
delivery order (their unique names sorted) and the attachments in MIME order.
"""
import email
import email.message
import email.policy
import email.utils
import hashlib
import json
import os
import sys


def att_bytes(size, seed):
    out = bytearray()
    block = hashlib.sha256(b"eng%d" % seed).digest()
    while len(out) < size:
        out += block
        block = hashlib.sha256(block).digest()
    return bytes(out[:size])


def png_bytes(seed):
    return b"\x89PNG\r\n\x1a\n" + att_bytes(300 + seed, 1000 + seed)


def build(spec, n):
    msg = email.message.EmailMessage()
    msg["From"] = spec.get("from", "Sender %d <sender%d@example.org>" % (n, n))
    msg["To"] = spec.get("to", "Recipient <rcpt@example.org>")
    msg["Subject"] = spec.get("subject", "Message %d" % n)
    msg["Date"] = email.utils.formatdate(spec.get("time", 1700000000 + n * 3600), localtime=False)
    msg["Message-ID"] = spec.get("msgid", "<%d.%d@engstore>" % (n, spec.get("time", 0)))
    msg.set_content(spec.get("body", "Body of message %d.\n" % n))
    if "html" in spec:
        msg.add_alternative(spec["html"], subtype="html")
        if spec.get("inline"):
            html_part = msg.get_payload()[1]
            for i, name in enumerate(spec["inline"], 1):
                html_part.add_related(png_bytes(i), "image", "png", cid="<img%d@engstore>" % i,
                                      filename=name, disposition="inline")
    if spec.get("meeting"):
        cal = ("BEGIN:VCALENDAR\r\nMETHOD:REQUEST\r\nBEGIN:VEVENT\r\nSUMMARY:%s\r\n"
               "DTSTART:20240105T100000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n") % msg["Subject"]
        msg.add_alternative(cal, subtype="calendar", params={"method": "REQUEST"})
    for a in spec.get("atts", []):
        maintype, subtype = a.get("ctype", "application/octet-stream").split("/")
        data = att_bytes(a["size"], a.get("seed", 1))
        if maintype == "text":
            msg.add_attachment(data.hex()[: a["size"]], subtype=subtype, filename=a["name"])
        else:
            msg.add_attachment(data, maintype=maintype, subtype=subtype, filename=a["name"])
    for i, inner in enumerate(spec.get("embedded", []), 1):
        msg.add_attachment(build(inner, 100 * n + i))
    if spec.get("signed"):
        return sign(msg)
    return msg


def sign(msg):
    """Wraps the content in multipart/signed with a dummy detached signature."""
    outer = email.message.EmailMessage()
    for h in ("From", "To", "Subject", "Date", "Message-ID"):
        outer[h] = msg[h]
        del msg[h]
    outer.set_type("multipart/signed")
    outer.set_param("protocol", "application/pkcs7-signature")
    outer.set_param("micalg", "sha-256")
    outer.attach(msg)
    sig = email.message.EmailMessage()
    sig.set_content(b"\x30\x80dummy-signature", maintype="application", subtype="pkcs7-signature",
                    filename="smime.p7s")
    outer.attach(sig)
    return outer


def folder_dir(root, layout, name):
    parts = name.split("/")
    if layout == "maildir++":
        return root if name == "Inbox" else os.path.join(root, "." + ".".join(parts))
    parts[0] = "INBOX" if parts[0] == "Inbox" else parts[0]
    return os.path.join(root, *parts)


def write(root, spec):
    layout = spec.get("layout", "nested")
    for name, messages in spec["folders"].items():
        box = folder_dir(root, layout, name)
        for sub in ("cur", "new", "tmp"):
            os.makedirs(os.path.join(box, sub), exist_ok=True)
        if layout == "maildir++" and box != root:
            open(os.path.join(box, "maildirfolder"), "ab").close()
        for n, m in enumerate(messages, 1):
            data = build(m, n).as_bytes(policy=email.policy.SMTP)
            unique = "%010d.%04d.engstore" % (m.get("time", 1700000000 + n * 3600), n)
            tmp = os.path.join(box, "tmp", unique)
            with open(tmp, "wb") as f:
                f.write(data)
            os.rename(tmp, os.path.join(box, "cur", unique + ":2,S"))
    for name in spec.get("plain", []):
        os.makedirs(folder_dir(root, layout, name), exist_ok=True)


def describe_atts(msg):
    atts = []
    for part in msg.iter_attachments():
        if part.get_content_type() == "message/rfc822":
            inner = part.get_payload()[0]
            atts.append({"name": part.get_filename() or "", "ctype": "message/rfc822", "size": 0,
                         "sha256": "", "embedded": describe(inner)})
            continue
        data = part.get_payload(decode=True) or b""
        atts.append({"name": part.get_filename() or "", "ctype": part.get_content_type(), "size": len(data),
                     "sha256": hashlib.sha256(data).hexdigest(), "embedded": None})
    return atts


def describe(msg):
    cls = "signed" if msg.get_content_type() == "multipart/signed" else "note"
    body = msg.get_payload()[0] if cls == "signed" else msg
    return {"subject": str(msg.get("Subject", "")), "class": cls, "atts": describe_atts(body)}


def read(root):
    out = {}
    for d, dirs, files in os.walk(root):
        dirs.sort()
        if os.path.basename(d) != "cur" and os.path.basename(d) != "new":
            continue
        box = os.path.relpath(os.path.dirname(d), root)
        for f in files:
            with open(os.path.join(d, f), "rb") as fh:
                msg = email.message_from_binary_file(fh, policy=email.policy.default)
            entry = describe(msg)
            entry["file"] = os.path.relpath(os.path.join(d, f), root)
            out.setdefault(box, []).append(entry)
    for box in out.values():
        box.sort(key=lambda e: os.path.basename(e["file"]).split(":")[0])
    return out


def main():
    if sys.argv[1] == "write":
        spec = json.load(sys.stdin if sys.argv[3] == "-" else open(sys.argv[3]))
        write(sys.argv[2], spec)
    elif sys.argv[1] == "read":
        json.dump(read(sys.argv[2]), sys.stdout, indent=1)
    elif sys.argv[1] == "bytes":  # engstore.py bytes SIZE SEED > file
        sys.stdout.buffer.write(att_bytes(int(sys.argv[2]), int(sys.argv[3])))
    else:
        sys.exit("usage: engstore.py write ROOT SPEC | read ROOT | bytes SIZE SEED")


if __name__ == "__main__":
    main()
