#!/usr/bin/python3
"""Reads the text that a person sees in each of the seven files written from
one message, with readers independent of the writers.

Usage: fmt_texts.py OUTBASE
OUTBASE.{txt,htm,mht,rtf,eml,msg} and OUTBASE-u.msg; prints a JSON object
{"txt": text, "htm": text, ...}: the .htm and .mht as an HTML parser reads
their text, the .rtf through unrtf, the item files back to MIME through
msgconvert (their plain body), the .eml through Python's email package (every
text part)."""
import email
import email.policy
import html
import html.parser
import json
import os
import re
import subprocess
import sys
import tempfile

out = sys.argv[1]


class Text(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts, self.skip = [], 0

    def handle_starttag(self, tag, attrs):
        self.skip += tag in ("script", "style", "title")

    def handle_endtag(self, tag):
        self.skip -= tag in ("script", "style", "title") and self.skip > 0

    def handle_data(self, data):
        if not self.skip:
            self.parts.append(data)


def html_text(doc):
    p = Text()
    p.feed(doc)
    p.close()
    return "".join(p.parts)


def mime_texts(m):
    return "\n".join(p.get_content() for p in m.walk()
                     if p.get_content_maintype() == "text" and not p.get_filename())


def msg_text(path):
    with tempfile.TemporaryDirectory() as d:
        conv = os.path.join(d, "back.eml")
        r = subprocess.run(["msgconvert", "--outfile", conv, path], capture_output=True)
        if r.returncode != 0:
            return "msgconvert failed: " + r.stderr.decode(errors="replace")
        m = email.message_from_binary_file(open(conv, "rb"), policy=email.policy.default)
        return "\n".join(p.get_content() for p in m.walk() if p.get_content_type() == "text/plain")


texts = {"txt": open(out + ".txt", "rb").read().decode("utf-8"),
         "htm": html_text(open(out + ".htm", "rb").read().decode("utf-8"))}
mht = email.message_from_binary_file(open(out + ".mht", "rb"), policy=email.policy.default)
texts["mht"] = "\n".join(html_text(p.get_content()) for p in mht.walk() if p.get_content_type() == "text/html")
r = subprocess.run(["unrtf", "--html", out + ".rtf"], capture_output=True)
texts["rtf"] = html.unescape(re.sub(r"<[^>]*>", "", r.stdout.decode("ascii", "replace")))
texts["eml"] = mime_texts(email.message_from_binary_file(open(out + ".eml", "rb"), policy=email.policy.default))
texts["msg"] = msg_text(out + ".msg")
texts["msg-u"] = msg_text(out + "-u.msg")
json.dump(texts, sys.stdout)
