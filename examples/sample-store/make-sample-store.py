#!/usr/bin/python3
"""Writes the bundled sample Maildir store (nested layout) to a directory.

Usage: make-sample-store.py [DIR]      (default: the "Maildir" beside this script)

Git keeps no empty directories: whoever copies the checked-in tree makes
the missing "new" and "tmp" beside every "cur" (scripts/run-main-job.sh does).
The store is the same on every run (fixed dates, names, boundaries and
attachment bytes), so the checked-in copy can be compared with a fresh one:
  make-sample-store.py /tmp/s && diff -r /tmp/s examples/sample-store/Maildir

Folders: Inbox (plain, HTML, inline images, several attachments, an attached
e-mail, a signed e-mail, a meeting request), Inbox/Projects,
Inbox/Projects/Harbour, Inbox/Invoices, Sent, Archive (empty).
The messages are built by the test suite's independent writer
(tests/tools/engstore.py), which uses only Python's email package.
"""
import email.policy
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "tools"))
import engstore  # noqa: E402

DAY = 86400
T0 = 1672570800  # 2023-01-01 11:00 UTC

PEOPLE = ["Ada Lovell <ada@harbour.example>", "Ben Okafor <ben@harbour.example>",
          "Chloe Marsh <chloe@northwind.example>", "Dev Patel <dev@northwind.example>",
          "Eva Lind <eva@lindqvist.example>"]
ME = "Sam Tarn <sam@tarnwick.example>"


def att(name, size, seed, ctype="application/octet-stream"):
    return {"name": name, "size": size, "seed": seed, "ctype": ctype}


def msg(n, subject, sender=None, **more):
    m = {"subject": subject, "from": sender or PEOPLE[n % len(PEOPLE)], "to": ME,
         "time": T0 + n * 23 * DAY + n * 3571, "msgid": "<sample.%03d@tarnwick.example>" % n,
         "body": "Hello Sam,\n\n%s.\n\nRegards\n" % subject}
    m.update(more)
    return m


def inbox():
    html = "<p>Our new logo, as promised:</p><p><img src=\"cid:img1@engstore\"></p>"
    two = "<p>Before <img src=\"cid:img1@engstore\"> and after <img src=\"cid:img2@engstore\"></p>"
    return [
        msg(1, "Welcome to the harbour project"),
        msg(2, "Minutes of the kick-off meeting", atts=[att("minutes.pdf", 18000, 1, "application/pdf")]),
        msg(3, "New logo", html=html, inline=["logo.png"]),
        msg(4, "Photos from the site visit",
            atts=[att("pier-north.jpg", 42000, 2, "image/jpeg"), att("pier-south.jpg", 39000, 3, "image/jpeg"),
                  att("notes.txt", 900, 4, "text/plain")]),
        msg(5, "Newsletter December", html="<h1>News</h1><p>Plenty of it.</p>"),
        msg(6, "Fwd: Contract draft", embedded=[
            msg(60, "Contract draft", atts=[att("contract-v2.docx", 26000, 5,
                "application/vnd.openxmlformats-officedocument.wordprocessingml.document")])]),
        msg(7, "Signed statement", signed=True, atts=[att("statement.pdf", 12000, 6, "application/pdf")]),
        msg(8, "Design review", meeting=True),
        msg(9, "Before and after", html=two, inline=["before.png", "after.png"],
            atts=[att("comparison.xlsx", 15000, 7,
                      "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")]),
        msg(10, "Quick question"),
        msg(11, "Budget 2024", atts=[att("budget-2024.xlsx", 21000, 8,
                                         "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"),
                                     att("budget-notes.pdf", 7000, 9, "application/pdf")]),
        msg(12, "Lunch on Friday?"),
    ]


def store():
    return {
        "Inbox": inbox(),
        "Inbox/Projects": [msg(20 + i, s, atts=a) for i, (s, a) in enumerate([
            ("Project plan", [att("plan.pdf", 30000, 10, "application/pdf")]),
            ("Timeline update", []),
            ("Risks and issues", [att("risks.csv", 2400, 11, "text/csv")]),
            ("Supplier list", [att("suppliers.xlsx", 9000, 12)]),
            ("Status week 12", []),
            ("Status week 13", []),
        ])],
        "Inbox/Projects/Harbour": [
            msg(30, "Harbour drawings", atts=[att("drawing-a.pdf", 50000, 13, "application/pdf"),
                                              att("drawing-b.pdf", 48000, 14, "application/pdf")]),
            msg(31, "Harbour permits", atts=[att("permit.pdf", 11000, 15, "application/pdf")]),
            msg(32, "Harbour crane schedule"),
            msg(33, "Fwd: Harbour survey", embedded=[
                msg(330, "Harbour survey", atts=[att("survey.pdf", 16000, 16, "application/pdf"),
                                                 att("survey-map.png", 8000, 17, "image/png")])]),
        ],
        "Inbox/Invoices": [msg(40 + i, "Invoice %d" % (1001 + i), sender="Accounts <billing@northwind.example>",
                               atts=[att("invoice-%d.pdf" % (1001 + i), 6000 + 500 * i, 20 + i, "application/pdf")])
                           for i in range(6)],
        "Sent": [msg(50 + i, s, sender=ME) for i, s in enumerate(
            ["Re: Welcome", "Re: New logo", "Re: Budget 2024", "Meeting notes", "Holiday plans"])],
        "Archive": [],
    }


def fix_boundaries(message, counter):
    """Python's email package picks random boundaries; the sample uses fixed ones."""
    if message.is_multipart():
        counter[0] += 1
        message.set_boundary("=_tarnwick_sample_%03d" % counter[0])
        for part in message.get_payload():
            fix_boundaries(part, counter)
    elif message.get_content_type() == "message/rfc822":
        for part in message.get_payload():
            fix_boundaries(part, counter)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "Maildir")
    if os.path.exists(root):
        shutil.rmtree(root)
    counter = [0]
    for name, messages in store().items():
        box = engstore.folder_dir(root, "nested", name)
        for sub in ("cur", "new", "tmp"):
            os.makedirs(os.path.join(box, sub), exist_ok=True)
        for n, m in enumerate(messages, 1):
            built = engstore.build(m, n)
            fix_boundaries(built, counter)
            unique = "%010d.%04d.sample" % (m["time"], n)
            with open(os.path.join(box, "cur", unique + ":2,S"), "wb") as f:
                f.write(built.as_bytes(policy=email.policy.SMTP))
    print(root)


if __name__ == "__main__":
    main()
