#!/usr/bin/python3
"""Reads back the files written from one corpus message with independent
readers and compares them with the expectations of fmt_corpus.py.

Usage: fmt_check.py NAME.json OUTBASE [SOURCE]
OUTBASE.{eml,txt,htm,mht,rtf} and OUTBASE.msg (ANSI), OUTBASE-u.msg (Unicode);
OUTBASE.eml must hold the bytes of SOURCE (default NAME.eml).
Prints every mismatch and exits 1 when there is one."""
import email
import email.policy
import hashlib
import html
import json
import os
import re
import struct
import subprocess
import sys
import tempfile

import html5lib
import olefile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fmt_olecheck import check_tree  # noqa: E402

exp = json.load(open(sys.argv[1], encoding="utf-8"))
out = sys.argv[2]
source = sys.argv[3] if len(sys.argv) > 3 else sys.argv[1][:-5] + ".eml"
faults = []


def check(ok, what):
    if not ok:
        faults.append(what)
    return ok


def ansi(s):
    return s.encode(os.environ.get("FMT_CP", "cp1252"), errors="replace").decode("cp1252")


# ---------------------------------------------------------------- Outlook item files
VARIABLE = {0x001E, 0x001F, 0x0102, 0x000D, 0x0048}


def props(ole, path, header):
    data = ole.openstream(path + ["__properties_version1.0"]).read()
    check((len(data) - header) % 16 == 0, f"{'/'.join(path)}: property stream size {len(data)}")
    result, counts = {}, None
    if header >= 24:
        counts = struct.unpack_from("<IIII", data, 8)
    for off in range(header, len(data), 16):
        tag, flags = struct.unpack_from("<II", data, off)
        ptype = tag & 0xFFFF
        # A header of the wrong size shows as entries with no tag or flags.
        check(tag >> 16 and ptype and flags in (2, 6), f"{'/'.join(path)}: entry {tag:#010x} flags {flags}")
        if ptype in VARIABLE:
            size = struct.unpack_from("<I", data, off + 8)[0]
            name = "__substg1.0_%08X" % tag
            if ptype == 0x000D:
                check(size == 0xFFFFFFFF, f"object size {size:#x}")
                check(ole.exists("/".join(path + [name])), f"no storage {name}")
                result[tag] = path + [name]
                continue
            if not check(ole.exists("/".join(path + [name])), f"{'/'.join(path)}: no stream {name}"):
                continue
            raw = ole.openstream(path + [name]).read()
            extra = {0x001F: 2, 0x001E: 1}.get(ptype, 0)
            check(size == len(raw) + extra, f"{name}: size {size} for {len(raw)} bytes")
            result[tag] = raw.decode("utf-16-le") if ptype == 0x001F else raw.decode("cp1252", "replace") if ptype == 0x001E else raw
        else:
            result[tag] = struct.unpack_from("<Q" if ptype in (0x0040, 0x0014) else "<I", data, off + 8)[0]
    return result, counts


def prop(p, pid, unicode):
    return p.get((pid << 16) | (0x001F if unicode else 0x001E))


def children(ole, path, prefix):
    return sorted(e for e in {tuple(x[: len(path) + 1]) for x in ole.listdir(storages=True)
                             if x[: len(path)] == path and len(x) > len(path)} if e[-1].startswith(prefix))


def check_message(ole, path, e, unicode, top):
    conv = (lambda s: s) if unicode else ansi
    p, counts = props(ole, path, 32 if top else 24)
    where = "/".join(path) or "top"
    check(prop(p, 0x0037, unicode) == conv(e["subject"]), f"{where}: subject {prop(p, 0x0037, unicode)!r}")
    subj, pre, norm = (prop(p, i, unicode) or "" for i in (0x0037, 0x003D, 0x0E1D))
    check(pre + norm == subj, f"{where}: prefix {pre!r} + normalized {norm!r}")
    if top:
        check(prop(p, 0x0C1A, unicode) == conv(e["from_name"]), f"sender name {prop(p, 0x0C1A, unicode)!r}")
        check(prop(p, 0x0C1F, unicode) == e["from_addr"], "sender address")
        check(prop(p, 0x5D01, unicode) == e["from_addr"], "sender SMTP address")
        check(prop(p, 0x0C1E, unicode) == "SMTP", "sender address type")
        check(prop(p, 0x0042, unicode) == conv(e["from_name"]), "sent representing name")
        mask = p.get(0x340D0003, 0)
        check(bool(mask & 0x00040000) == unicode, f"store support mask {mask:#x}")
        check(p.get(0x0E070003) is not None, "message flags")
        cls = prop(p, 0x001A, unicode) or ""
        check(cls.startswith(e.get("cls_prefix", e["class"])), f"message class {cls}")
        check(prop(p, 0x1035, unicode) is not None, "internet message ID")
    if e["body"]:
        check(conv(e["body"]) in (prop(p, 0x1000, unicode) or ""), f"{where}: body lacks {e['body']!r}")
    for tag in p:
        if tag & 0xFFFF in (0x001E, 0x001F):
            check(tag & 0xFFFF == (0x001F if unicode else 0x001E), f"{where}: string type of {tag:#010x}")
    recips = children(ole, path, "__recip_version1.0_#")
    atts = children(ole, path, "__attach_version1.0_#")
    check(counts[2] == len(recips) and counts[3] == len(atts), f"{where}: header counts {counts}")
    addrs = {}
    for r in recips:
        rp, _ = props(ole, list(r), 8)
        addrs.setdefault(rp.get(0x0C150003), []).append(prop(rp, 0x39FE, unicode))
    if top:
        check(addrs.get(1, []) == e["to"], f"To recipients {addrs}")
        check(addrs.get(2, []) == e["cc"], f"Cc recipients {addrs.get(2)}")
    found, embedded = [], None
    for a in atts:
        ap, _ = props(ole, list(a), 8)
        if ap.get(0x37050003) == 5:
            embedded = ap.get(0x3701000D)
            continue
        name = prop(ap, 0x3707, unicode)
        data = ap.get(0x37010102, b"")
        hidden = bool(ap.get(0x7FFE000B))
        found.append((hidden, name, hashlib.sha256(data).hexdigest(), len(data)))
    want = [(False, conv(x["name"]), x["sha256"], x["size"]) for x in e.get("msg_attachments", e["attachments"])]
    want += [(True, conv(x["name"]), x["sha256"], x["size"]) for x in e.get("hidden", [])]
    check(sorted(f for f in found if f[1] != "smime.p7s") == sorted(want), f"{where}: attachments {found} != {want}")
    if e.get("embedded"):
        if check(embedded is not None, f"{where}: no embedded message"):
            sub = dict(e["embedded"], hidden=[])
            check_message(ole, embedded, sub, unicode, False)
    if top:
        check(ole.exists("__nameid_version1.0"), "no named-property storage")
        for s in ("00020102", "00030102", "00040102"):
            check(ole.exists("__nameid_version1.0/__substg1.0_" + s), f"no named-property stream {s}")


def check_msg(path, unicode):
    if not check(olefile.isOleFile(path), f"{path}: not a compound file"):
        return
    ole = olefile.OleFileIO(path)
    for f in check_tree(ole, path):
        check(False, f)
    check_message(ole, [], exp, unicode, True)
    ole.close()
    # msgconvert turns the item file back into MIME.
    with tempfile.TemporaryDirectory() as d:
        conv = os.path.join(d, "back.eml")
        r = subprocess.run(["msgconvert", "--outfile", conv, path], capture_output=True)
        if not check(r.returncode == 0, f"msgconvert failed: {r.stderr.decode(errors='replace')}"):
            return
        m = email.message_from_binary_file(open(conv, "rb"), policy=email.policy.default)
    c = (lambda s: s) if unicode else ansi
    # msgconvert takes the header block when the file carries one.
    check(m["Subject"] in (c(exp["subject"]), exp["subject"]), f"msgconvert subject {m['Subject']!r}")
    check(exp["from_addr"] in str(m["From"]), f"msgconvert From {m['From']}")
    for a in exp["to"]:
        check(a in str(m["To"]), f"msgconvert To lacks {a}: {m['To']}")
    texts = [p.get_content() for p in m.walk() if p.get_content_type() == "text/plain" and not p.get_filename()]
    if exp["body"]:
        check(any(c(exp["body"]) in t for t in texts), f"msgconvert body lacks {exp['body']!r}")
    got = sorted((p.get_filename(), hashlib.sha256(p.get_payload(decode=True) or b"").hexdigest())
                 for p in m.walk() if p.get_filename() and not p.is_multipart() and p.get_content_type() != "message/rfc822"
                 and p.get_filename() != "smime.p7s")
    want = [(c(x["name"]), x["sha256"]) for x in exp.get("msg_attachments", exp["attachments"]) + exp.get("hidden", [])]
    if exp.get("embedded"):
        want += [(c(x["name"]), x["sha256"]) for x in exp["embedded"]["attachments"]]
    if "msg_attachments" in exp:
        # msgconvert re-renders a signed entity (a multipart attachment), so
        # only its name can be compared; the item file's bytes are checked above.
        got, want = [g[0] for g in got], [w[0] for w in want]
    check(got == sorted(want), f"msgconvert attachments {got} != {sorted(want)}")


# ---------------------------------------------------------------- text files
ACTIVE_ELEMENTS = {"script", "iframe", "frame", "frameset", "object", "embed", "applet", "base", "link", "portal",
                   "set", "animate", "animatemotion", "animatetransform"}
SCRIPT_MARKERS = ("javascript:", "vbscript:", "livescript:", "data:text/html", "expression(")


def no_script(doc, what):
    """The document as html5lib (a browser's parse) builds it: the policy is
    the first element of its head, and nothing in it runs or loads a page."""
    tree = html5lib.parse(doc, namespaceHTMLElements=False)
    local = lambda name: name.rsplit("}", 1)[-1].lower()  # noqa: E731
    head = tree.find("head")
    first = head[0] if head is not None and len(head) else None
    check(first is not None and first.tag == "meta"
          and first.get("http-equiv", "").lower() == "content-security-policy"
          and "default-src 'none'" in first.get("content", ""), f"{what}: no policy first in the head")
    for el in tree.iter():
        if not isinstance(el.tag, str):
            continue  # comments
        name = local(el.tag)
        check(name not in ACTIVE_ELEMENTS, f"{what} holds <{name}>")
        for key, value in el.attrib.items():
            key = local(key)
            squeezed = "".join(c for c in value if ord(c) > 32).lower()
            check(not key.startswith("on") and key not in ("srcdoc", "action", "formaction"),
                  f"{what} holds <{name} {key}>")
            check(not any(m in squeezed for m in SCRIPT_MARKERS), f"{what} holds <{name} {key}={value!r}>")
            if name == "meta" and key == "http-equiv":
                check(value.lower() in ("content-security-policy", "content-type"), f"{what} holds meta {value}")


def check_text_files():
    raw = open(out + ".txt", "rb").read()
    check(raw.startswith(b"From:\t"), "txt: does not start with the From line")
    txt = raw.decode("utf-8")
    check(f"Subject:\t{exp['subject']}\r\n" in txt, "txt: subject line")
    check(exp["from_addr"] in txt.split("\r\n")[0], "txt: From line")
    if exp["body"]:
        check(exp["body"] in txt, "txt: body")
    names = [x["name"] for x in exp["attachments"]]
    if names:
        check(all(n in txt for n in names), "txt: attachment names")
    check("\n" not in txt.replace("\r\n", ""), "txt: bare LF")

    htm = open(out + ".htm", "rb").read().decode("utf-8")
    check('<meta charset="utf-8">' in htm, "htm: charset")
    check(exp["subject"].replace("&", "&amp;") in htm, "htm: subject")
    if exp["body"] and "<" not in exp["body"]:
        check(all(w in htm for w in exp["body"].split()), "htm: body words")
    no_script(htm, "htm")

    m = email.message_from_binary_file(open(out + ".mht", "rb"), policy=email.policy.default)
    check(m.get_content_type() == "multipart/related", f"mht: {m.get_content_type()}")
    parts = list(m.iter_parts()) if m.is_multipart() else []
    root = parts[0].get_content() if parts else ""
    check(parts and parts[0].get_content_type() == "text/html", "mht: root is not HTML")
    no_script(root, "mht")
    check(exp["subject"].replace("&", "&amp;") in root, "mht: subject")
    for i in exp["inline"]:
        check(f"cid:{i['cid']}" in root, f"mht: reference cid:{i['cid']} lost")
        hit = [p for p in parts[1:] if (p["Content-ID"] or "").strip("<>") == i["cid"]]
        check(hit and hashlib.sha256(hit[0].get_payload(decode=True)).hexdigest() == i["sha256"],
              f"mht: image {i['cid']}")

    # unrtf's text output knows no Unicode; its HTML output carries every
    # character as a reference.
    r = subprocess.run(["unrtf", "--html", out + ".rtf"], capture_output=True)
    check(r.returncode == 0, f"unrtf failed: {r.stderr[:200]}")
    text = html.unescape(re.sub(r"<[^>]*>", "", r.stdout.decode("ascii", "replace")))
    check(exp["subject"] in text, f"rtf: subject not in unrtf text")
    if exp["body"]:
        check(exp["body"] in " ".join(text.split()), "rtf: body not in unrtf text")

    check(open(out + ".eml", "rb").read() == open(source, "rb").read(), "eml: not the message's bytes")


check_msg(out + "-u.msg", True)
check_msg(out + ".msg", False)
check_text_files()
for f in faults:
    print(f"{os.path.basename(out)}: {f}")
sys.exit(1 if faults else 0)
