#!/usr/bin/python3
"""Writes the save-as-file test corpus: NAME.eml and NAME.json (what a reader
must find in every file written from it) for each message, into DIR.

Usage: fmt_corpus.py DIR
The signed and encrypted messages are made with openssl and a certificate
created in DIR/keys (nothing leaves DIR)."""
import email.policy
import hashlib
import json
import os
import subprocess
import sys
from email.message import EmailMessage
from email.utils import format_datetime
from datetime import datetime, timezone

OUT = None  # the output directory, set by main (or by a script that imports this one)
DATE = format_datetime(datetime(2024, 3, 5, 14, 30, tzinfo=timezone.utc))
PNG = bytes.fromhex(
    "89504e470d0a1a0a0000000d4948445200000001000000010806000000"
    "1f15c4890000000d49444154789c6360f8cfc0f01f0005000201a2d4f3"
    "a70000000049454e44ae426082")
GIF = b"GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;"
BIG = bytes((i * 7919 + (i >> 8)) & 0xFF for i in range(70000))  # beyond the mini stream


def att(name, data):
    return {"name": name, "sha256": hashlib.sha256(data).hexdigest(), "size": len(data)}


def base(subject, frm=("Anna Müller", "anna@example.org"), to=(("Bob Stone", "bob@example.com"),), cc=()):
    m = EmailMessage(policy=email.policy.SMTP)
    m["From"] = f'"{frm[0]}" <{frm[1]}>' if frm[0] else frm[1]
    m["To"] = ", ".join(f'"{n}" <{a}>' for n, a in to)
    if cc:
        m["Cc"] = ", ".join(f'"{n}" <{a}>' for n, a in cc)
    m["Subject"] = subject
    m["Date"] = DATE
    m["Message-ID"] = f"<{hashlib.sha1(subject.encode()).hexdigest()[:12]}@corpus.example>"
    return m


def expect(subject, m, body, attachments=(), **extra):
    frm = m["From"].addresses[0]
    e = {"subject": subject, "from_name": frm.display_name, "from_addr": frm.addr_spec,
         "to": [a.addr_spec for a in m["To"].addresses],
         "cc": [a.addr_spec for a in m["Cc"].addresses] if m["Cc"] else [],
         "body": body, "attachments": list(attachments), "inline": [], "embedded": None,
         "class": "IPM.Note"}
    e.update(extra)
    return e


def save(name, m, e):
    with open(os.path.join(OUT, name + ".eml"), "wb") as f:
        f.write(m.as_bytes() if isinstance(m, EmailMessage) else m)
    with open(os.path.join(OUT, name + ".json"), "w", encoding="utf-8") as f:
        json.dump(e, f, ensure_ascii=False, indent=1)


def corpus():
    s = "Plain: Grüße aus Köln"
    m = base(s, cc=(("Carla Díaz", "carla@example.net"),),
             to=(("Bob Stone", "bob@example.com"), ("Dan Wu", "dan@example.com")))
    m.set_content("Hallo Bob,\nschöne Grüße und bis bald.\n\nAnna\n")
    save("plain", m, expect(s, m, "schöne Grüße und bis bald"))

    s = "RE: HTML only"
    m = base(s)
    m.set_content('<html><head><title>t</title><script>alert("x")</script>'
                  '<meta http-equiv="refresh" content="0;url=https://evil.example/">'
                  '<base href="https://evil.example/"></head>'
                  '<body onload="steal()"><p>Dear Bob, the <b>quarterly</b> figures are ready.</p>'
                  '<a href="javascript:alert(1)" onclick="evil()">click</a>'
                  '<a href="java&#x09;script:alert(2)">second</a>'
                  '<img src="x.png" onerror="evil()"><iframe src="https://tracker.example/frame"></iframe>'
                  '<form action="https://evil.example/"><input name="q"></form>'
                  '<svg><script>alert(3)</script></svg><object data="x.swf"></object></body></html>',
                  subtype="html")
    save("htmlonly", m, expect(s, m, "quarterly figures are ready"))

    s = "Alternative body"
    m = base(s)
    m.set_content("Plain version: meeting at noon.\n")
    m.add_alternative("<html><body><p>HTML version: meeting at <i>noon</i>.</p></body></html>", subtype="html")
    save("alternative", m, expect(s, m, "meeting at noon"))

    s = "Related with inline images"
    m = base(s)
    m.set_content("<html><body><p>Logo below.</p><img src=\"cid:logo1@corpus\"><img src=\"cid:dot2@corpus\">"
                  "</body></html>", subtype="html")
    m.add_related(PNG, maintype="image", subtype="png", cid="<logo1@corpus>", filename="logo.png")
    m.add_related(GIF, maintype="image", subtype="gif", cid="<dot2@corpus>", filename="dot.gif")
    e = expect(s, m, "Logo below")
    e["inline"] = [{"cid": "logo1@corpus", "sha256": hashlib.sha256(PNG).hexdigest()},
                   {"cid": "dot2@corpus", "sha256": hashlib.sha256(GIF).hexdigest()}]
    e["hidden"] = [att("logo.png", PNG), att("dot.gif", GIF)]
    save("related", m, e)

    s = "Anhänge: Prüfbericht und 報告書"
    m = base(s)
    m.set_content("See the attached files.\n")
    pdf = b"%PDF-1.4\n% test\n" + bytes(range(256)) * 4
    jp = "日本語のテキスト\n".encode("utf-8")
    m.add_attachment(pdf, maintype="application", subtype="pdf", filename="Prüfbericht Größe.pdf")
    m.add_attachment(jp, maintype="text", subtype="plain", filename="報告書.txt")
    m.add_attachment(BIG, maintype="application", subtype="octet-stream", filename="big.bin")
    save("attachments", m, expect(s, m, "See the attached files",
                                  [att("Prüfbericht Größe.pdf", pdf), att("報告書.txt", jp), att("big.bin", BIG)]))

    s = "FW: Embedded message"
    inner = base("Inner message", frm=("Eve Inner", "eve@example.org"))
    inner.set_content("This is the inner text.\n")
    csv = b"a;b;c\n1;2;3\n"
    inner.add_attachment(csv, maintype="text", subtype="csv", filename="inner.csv")
    m = base(s)
    m.set_content("Forwarding the message below.\n")
    m.add_attachment(inner)
    e = expect(s, m, "Forwarding the message below")
    e["embedded"] = {"subject": "Inner message", "body": "This is the inner text", "attachments": [att("inner.csv", csv)]}
    save("embedded", m, e)

    s = "Draft: not sent yet"
    m = base(s)
    del m["Date"]
    m["X-Unsent"] = "1"
    m.set_content("Half-written reply.\n")
    save("draft", m, expect(s, m, "Half-written reply"))

    s = "Invitation: Planning"
    m = base(s)
    m.set_content("You are invited to Planning.\n")
    ics = ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//corpus//EN\r\nMETHOD:REQUEST\r\nBEGIN:VEVENT\r\n"
           "UID:plan-1@corpus\r\nDTSTART:20240310T090000Z\r\nDTEND:20240310T100000Z\r\nSUMMARY:Planning\r\n"
           "ORGANIZER:mailto:anna@example.org\r\nATTENDEE:mailto:bob@example.com\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
    m.add_alternative(ics, subtype="calendar", params={"method": "REQUEST"})
    save("calendar", m, expect(s, m, "You are invited to Planning", cls_prefix="IPM.Schedule.Meeting"))

    keys = os.path.join(OUT, "keys")
    os.makedirs(keys, exist_ok=True)
    key, cert = os.path.join(keys, "key.pem"), os.path.join(keys, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "30", "-subj", "/CN=Anna Muller/emailAddress=anna@example.org"],
                   check=True, capture_output=True)
    inner = EmailMessage(policy=email.policy.SMTP)
    inner.set_content("Signed content: the contract is attached.\n")
    doc = b"contract terms\n" * 10
    inner.add_attachment(doc, maintype="application", subtype="octet-stream", filename="contract.txt")
    for name, args, body in (("signed", ["-sign", "-signer", cert, "-inkey", key], "the contract is attached"),
                             ("encrypted", ["-encrypt", "-aes256", cert], None)):
        s = "Secure: " + name
        hdr = base(s)
        r = subprocess.run(["openssl", "smime"] + args, input=inner.as_bytes(), check=True, capture_output=True)
        head = b"".join(hdr.policy.fold_binary(k, v) for k, v in hdr.items())
        raw = head + r.stdout.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        if name == "signed":
            atts = [att("contract.txt", doc)]
        else:  # as stored, the one attachment is the encrypted content
            atts = [att("smime.p7m", email.message_from_bytes(raw).get_payload(decode=True))]
        e = expect(s, hdr, body, atts, cls_prefix="IPM.Note.SMIME")
        if name == "signed":  # an item file keeps the whole signed entity as one attachment
            e["msg_attachments"] = [att("smime.p7m", raw)]
        save(name, raw, e)


if __name__ == "__main__":
    OUT = sys.argv[1]
    os.makedirs(OUT, exist_ok=True)
    corpus()
