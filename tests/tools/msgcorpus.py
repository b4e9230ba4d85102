#!/usr/bin/python3
"""Writes a Maildir of named test messages with Python's own mailbox and
email packages (an independent writer), and prints a JSON object mapping
each name to the message file's path.

usage: msgcorpus.py MAILDIR
"""
import json
import mailbox
import sys
from email import message_from_string
from email.header import Header
from email.message import EmailMessage, Message
from email.mime.application import MIMEApplication
from email.mime.base import MIMEBase
from email.mime.image import MIMEImage
from email.mime.message import MIMEMessage
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText

PNG = bytes(range(256)) * 4
PDF = b"%PDF-1.4\n" + bytes(range(256)) * 8 + b"%%EOF\n"


def headers(m, subject="Plain", frm="Alice Example <alice@example.org>"):
    m["From"] = frm
    m["To"] = "Bob <bob@example.org>"
    m["Subject"] = subject
    m["Date"] = "Tue, 02 Jan 2024 10:00:00 +0000"
    m["Message-ID"] = "<%s@example.org>" % subject.replace(" ", ".")
    return m


def plain():
    m = MIMEText("Hello Bob\n", "plain", "utf-8")
    m["From"] = "Alice Example <alice@example.org>"
    m["To"] = "Bob <bob@example.org>, Team: carol@example.org, Dave <dave@example.org>;"
    m["Cc"] = "erin@example.org"
    m["Bcc"] = "Frank <frank@example.org>"
    m["Subject"] = Header("Grüße aus Köln", "utf-8").encode()
    m["Date"] = "Tue, 02 Jan 2024 10:00:00 +0000"
    m["Message-ID"] = "<plain@example.org>"
    m["Received"] = "from b by mx2 with ESMTP; Tue, 02 Jan 2024 10:05:00 +0000"
    m["Received"] = "from a by mx1 with ESMTP; Tue, 02 Jan 2024 10:01:00 +0000"
    return m, "S", "cur"


def draft():
    m = headers(MIMEText("draft\n"), "Draft")
    return m, "DS", "cur"


def delegate():
    m = headers(MIMEText("for the boss\n"), "Delegate", "Boss Person <boss@example.org>")
    m["Sender"] = "Assistant <assistant@example.org>"
    return m, "", "new"


def related():
    alt = MIMEMultipart("alternative")
    alt.attach(MIMEText("plain body\n"))
    alt.attach(MIMEText('<p>html body <img src="cid:img1@x"></p>\n', "html"))
    rel = MIMEMultipart("related")
    rel.attach(alt)
    img = MIMEImage(PNG, "png")
    img["Content-ID"] = "<img1@x>"
    rel.attach(img)
    loose = MIMEImage(PNG[:100], "gif")
    loose.add_header("Content-Disposition", "inline", filename="unused.gif")
    rel.attach(loose)
    top = MIMEMultipart("mixed")
    top.attach(rel)
    pdf = MIMEApplication(PDF, "pdf")
    pdf.add_header("Content-Disposition", "attachment", filename="report.pdf")
    top.attach(pdf)
    top.attach(MIMEMessage(headers(MIMEText("inner body\n"), "Inner")))
    top.attach(MIMEText("signature text\n"))
    return headers(top, "Related"), "S", "cur"


def filenames():
    top = MIMEMultipart("mixed")
    top.attach(MIMEText("see attached\n"))
    a = MIMEApplication(b"one", "octet-stream")
    a.add_header("Content-Disposition", "attachment", filename=("utf-8", "", "Grüße.txt"))
    top.attach(a)
    b = MIMEApplication(b"two", "octet-stream")
    b["Content-Disposition"] = 'attachment; filename="%s"' % Header("日本語.txt", "iso-2022-jp").encode()
    top.attach(b)
    c = MIMEApplication(b"three", "octet-stream")
    c.add_header("Content-Disposition", "attachment", filename=("shift_jis", "", "資料.txt"))
    top.attach(c)
    d = MIMEApplication(b"four", "octet-stream")
    d.set_param("name", "plain name.bin")
    top.attach(d)
    return headers(top, "Filenames"), "S", "cur"


def signed():
    content = MIMEMultipart("mixed")
    content.attach(MIMEText("signed text\n"))
    pdf = MIMEApplication(PDF, "pdf")
    pdf.add_header("Content-Disposition", "attachment", filename="signed.pdf")
    content.attach(pdf)
    top = MIMEMultipart("signed", protocol="application/pkcs7-signature", micalg="sha-256")
    top.attach(content)
    sig = MIMEApplication(b"\x30\x82signature", "pkcs7-signature", name="smime.p7s")
    sig.add_header("Content-Disposition", "attachment", filename="smime.p7s")
    top.attach(sig)
    return headers(top, "Signed"), "S", "cur"


def opaque():
    m = MIMEApplication(b"\x30\x80enveloped", "pkcs7-mime", name="smime.p7m")
    m.set_param("smime-type", "enveloped-data")
    m.add_header("Content-Disposition", "attachment", filename="smime.p7m")
    return headers(m, "Opaque"), "S", "cur"


def encrypted():
    top = MIMEMultipart("encrypted", protocol="application/pgp-encrypted")
    top.attach(MIMEApplication(b"Version: 1\n", "pgp-encrypted"))
    data = MIMEApplication(b"-----BEGIN PGP MESSAGE-----\n", "octet-stream", name="encrypted.asc")
    top.attach(data)
    return headers(top, "Encrypted"), "S", "cur"


def calendar(method_param, body_method, partstat=None):
    lines = ["BEGIN:VCALENDAR", "METHOD:%s" % body_method, "BEGIN:VEVENT"]
    if partstat:
        lines.append("ATTENDEE;CN=Bob;PARTSTAT=%s:mailto:bob@example.org" % partstat)
    lines += ["END:VEVENT", "END:VCALENDAR", ""]
    cal = MIMEText("\r\n".join(lines), "calendar")
    if method_param:
        cal.set_param("method", method_param)
    return cal


def meeting_request():
    top = MIMEMultipart("alternative")
    top.attach(MIMEText("invitation\n"))
    top.attach(calendar("REQUEST", "REQUEST"))
    return headers(top, "Request"), "S", "cur"


def meeting_cancel():
    return headers(calendar("CANCEL", "CANCEL"), "Cancel"), "S", "cur"


def reply(status):
    def make():
        top = MIMEMultipart("mixed")
        top.attach(MIMEText("answer\n"))
        top.attach(calendar(None, "REPLY", status))
        return headers(top, "Reply " + status), "S", "cur"
    return make


def report(report_type, part_type, text):
    def make():
        top = MIMEMultipart("report", report_type=report_type)
        top.attach(MIMEText("human readable\n"))
        status = Message()
        status["Content-Type"] = part_type
        if part_type == "message/delivery-status":
            # The generator writes a status report as a list of header blocks.
            status.set_payload([message_from_string(block + "\n") for block in text.split("\n\n")])
        else:
            status.set_payload(text)
        top.attach(status)
        top.attach(MIMEMessage(headers(MIMEText("original\n"), "Original")))
        return headers(top, "Report " + report_type), "S", "cur"
    return make


MESSAGES = {
    "plain": plain,
    "draft": draft,
    "delegate": delegate,
    "related": related,
    "filenames": filenames,
    "signed": signed,
    "opaque": opaque,
    "encrypted": encrypted,
    "request": meeting_request,
    "cancel": meeting_cancel,
    "accepted": reply("ACCEPTED"),
    "declined": reply("DECLINED"),
    "tentative": reply("TENTATIVE"),
    "ndr": report("delivery-status", "message/delivery-status",
                  "Reporting-MTA: dns; mx\n\nFinal-Recipient: rfc822; x@example.org\nAction: failed\nStatus: 5.1.1\n"),
    "dr": report("delivery-status", "message/delivery-status",
                 "Reporting-MTA: dns; mx\n\nFinal-Recipient: rfc822; x@example.org\nAction: delivered\nStatus: 2.0.0\n"),
    "mdn": report("disposition-notification", "message/disposition-notification",
                  "Final-Recipient: rfc822; x@example.org\nDisposition: manual-action/MDN-sent-manually; displayed\n"),
}


def main():
    box = mailbox.Maildir(sys.argv[1], create=True)
    paths = {}
    for index, (name, make) in enumerate(MESSAGES.items()):
        message, flags, subdir = make()
        entry = mailbox.MaildirMessage(message)
        entry.set_subdir(subdir)
        if flags:
            entry.set_flags(flags)
        entry.set_date(1700000000 + index)
        key = box.add(entry)
        paths[name] = box._lookup(key)
    print(json.dumps(paths))


if __name__ == "__main__":
    main()
