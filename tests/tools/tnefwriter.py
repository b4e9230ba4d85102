#!/usr/bin/python3
"""Writes TNEF streams (winmail.dat) from the format's published structure
(a signature, a legacy key, then attributes: level, ID, length, data and a
checksum of the data), for the tests of the TNEF reading.

Usage: tnefwriter.py SPEC.json OUT
SPEC = {"subject": "...", "body": "text or absent",
        "files": [{"title": "REPORT~1.PDF", "long": "Quarterly report.pdf",
                   "data_hex": "...", "modified": [2024, 3, 12, 11, 45, 0]}],
                   # no "data_hex": an attachment without file data
        "truncate": N}    # keep only the first N bytes (a damaged stream)"""
import json
import struct
import sys

LVL_MESSAGE, LVL_ATTACHMENT = 1, 2
# Attribute IDs: the type in the high word, the ID in the low word.
ATT_TNEF_VERSION = 0x00089006
ATT_OEM_CODEPAGE = 0x00069007
ATT_MESSAGE_CLASS = 0x00078008
ATT_SUBJECT = 0x00018004
ATT_BODY = 0x0002800C
ATT_ATTACH_REND_DATA = 0x00069002
ATT_ATTACH_TITLE = 0x00018010
ATT_ATTACH_MODIFY_DATE = 0x00038013
ATT_ATTACH_DATA = 0x0006800F
ATT_ATTACHMENT = 0x00069005
PT_STRING8 = 0x001E
PR_ATTACH_LONG_FILENAME = 0x3707


def attribute(level, att_id, data):
    return struct.pack("<BII", level, att_id, len(data)) + data + struct.pack("<H", sum(data) & 0xFFFF)


def zstr(text):
    return text.encode("cp1252") + b"\0"


def dtr(fields):
    year, month, day, hour, minute, second = fields
    return struct.pack("<7H", year, month, day, hour, minute, second, 0)


def mapi_string_props(props):
    out = struct.pack("<I", len(props))
    for prop_id, text in props:
        value = zstr(text)
        out += struct.pack("<HHII", PT_STRING8, prop_id, 1, len(value)) + value
        out += b"\0" * (-len(value) % 4)
    return out


def build(spec):
    out = struct.pack("<IH", 0x223E9F78, 0x0001)
    out += attribute(LVL_MESSAGE, ATT_TNEF_VERSION, struct.pack("<I", 0x00010000))
    out += attribute(LVL_MESSAGE, ATT_OEM_CODEPAGE, struct.pack("<II", 1252, 0))
    out += attribute(LVL_MESSAGE, ATT_MESSAGE_CLASS, zstr("IPM.Microsoft Mail.Note"))
    if "subject" in spec:
        out += attribute(LVL_MESSAGE, ATT_SUBJECT, zstr(spec["subject"]))
    if "body" in spec:
        out += attribute(LVL_MESSAGE, ATT_BODY, spec["body"].encode("cp1252"))
    for f in spec.get("files", []):
        # atyp 1 (a file), position unknown, no picture size, no flags.
        out += attribute(LVL_ATTACHMENT, ATT_ATTACH_REND_DATA, struct.pack("<HIHHI", 1, 0xFFFFFFFF, 0, 0, 0))
        out += attribute(LVL_ATTACHMENT, ATT_ATTACH_TITLE, zstr(f["title"]))
        if "modified" in f:
            out += attribute(LVL_ATTACHMENT, ATT_ATTACH_MODIFY_DATE, dtr(f["modified"]))
        if "data_hex" in f:  # without it: an item that is no file (an attached e-mail, say)
            out += attribute(LVL_ATTACHMENT, ATT_ATTACH_DATA, bytes.fromhex(f["data_hex"]))
        if "long" in f:
            out += attribute(LVL_ATTACHMENT, ATT_ATTACHMENT, mapi_string_props([(PR_ATTACH_LONG_FILENAME, f["long"])]))
    if "truncate" in spec:
        out = out[: spec["truncate"]]
    return out


spec = json.load(open(sys.argv[1], encoding="utf-8"))
with open(sys.argv[2], "wb") as fh:
    fh.write(build(spec))
