#!/usr/bin/python3
"""Independent writer of Tarnwick job files (.twc) and inbox task files
(inbox.twx), versions 50, 52 and 55, written from the byte tables of the
file formats alone.

    twcwriter.py job|inbox 50|52|55 INPUT.json OUTPUT

INPUT has the shape of `twk job dump` / `twk inbox dump`; missing members
take the documented defaults; "Version" is ignored (the argument decides).
Versions 50 and 52 write texts in the ANSI code page: cp1252, or the code
page number in TWK_ANSI_CODEPAGE.
"""
import json
import os
import struct
import sys

ENUMS = {
    "DateMode": ["dmAny", "dmOlderThan", "dmFromTo"],
    "ExistMode": ["emSuffix", "emOverwrite"],
    "ShortcutMode": ["smNothing", "smTWK", "smRemove"],
    "EmailFormat": ["efTXT", "efMSG", "efHTM", "efEML", "efMHT", "efRTF", "efMSGunicode"],
}

FILTER1_LISTS = ["SenderIncludeList", "SenderExcludeList", "RecipientIncludeList", "RecipientExcludeList",
                 "SubjectIncludeList", "SubjectExcludeList", "AttIncludeList", "AttExcludeList"]


class Writer:
    def __init__(self, version):
        self.version = version
        self.out = bytearray()
        cp = os.environ.get("TWK_ANSI_CODEPAGE", "").strip() or "1252"
        self.codec = "utf-8" if cp == "65001" else "cp" + cp

    def integer(self, v):
        self.out += struct.pack("<i", v)

    def boolean(self, v):
        self.out += b"\x01" if v else b"\x00"

    def datetime(self, v):
        self.out += struct.pack("<d", v)

    def ansi(self, s):
        data = s.encode(self.codec)
        self.integer(len(data))
        self.out += data

    def unicode(self, s):
        data = s.encode("utf-16-le", "surrogatepass")
        self.integer(len(data) // 2)
        self.out += data

    def text(self, s):
        """String in version 55, AnsiString before."""
        if self.version == 55:
            self.unicode(s)
        else:
            self.ansi(s)

    def text_list(self, items):
        self.integer(len(items))
        for s in items:
            self.text(s)

    def enum(self, kind, v):
        self.integer(ENUMS[kind].index(v) if isinstance(v, str) else int(v))


def part(obj, name, defaults):
    merged = dict(defaults)
    merged.update(obj.get(name, {}))
    return merged


EXPORT_EMAILS = {"EmailFormat": "efEML", "DestFolder": "", "SubFolderMask": "[OR]\\[BX50]", "ExistMode": "emSuffix",
                 "AttsAlso": False, "LogExport": False, "LogFolder": "", "PrefixSubject": False, "SubjectPrefix": ""}
EXPORT_ATTS = {"AttIncludeList": [], "AttExcludeList": [], "CheckAttSize": False, "AttMinSizeKB": 0,
               "HiddenAlso": False, "RecurseMsg": False, "DestFolder": "", "SubFolderMask": "[OR]\\[FE]",
               "ExistMode": "emSuffix", "ShortcutMode": "smNothing"}
COPY_MOVE = {"FolderEntryID": "", "FolderStoreID": "", "SubFolderMask": "[OR]"}


def write_export_emails(w, e):
    w.enum("EmailFormat", e["EmailFormat"])
    w.text(e["DestFolder"])
    w.text(e["SubFolderMask"])
    w.enum("ExistMode", e["ExistMode"])
    w.boolean(e["AttsAlso"])
    w.boolean(e["LogExport"])
    w.text(e["LogFolder"])
    if w.version == 55:
        w.boolean(e["PrefixSubject"])
        w.unicode(e["SubjectPrefix"])


def write_export_atts(w, a):
    w.text_list(a["AttIncludeList"])
    w.text_list(a["AttExcludeList"])
    w.boolean(a["CheckAttSize"])
    w.integer(a["AttMinSizeKB"])
    w.boolean(a["HiddenAlso"])
    w.boolean(a["RecurseMsg"])
    w.text(a["DestFolder"])
    w.text(a["SubFolderMask"])
    w.enum("ExistMode", a["ExistMode"])
    w.enum("ShortcutMode", a["ShortcutMode"])


def write_job(w, job):
    src = part(job, "SourceFilter", {"ProcessFolder": False, "FolderEntryID": "", "FolderStoreID": "",
                                     "InclSubFolders": False})
    w.boolean(src["ProcessFolder"])
    w.text(src["FolderEntryID"])
    w.text(src["FolderStoreID"])
    w.boolean(src["InclSubFolders"])
    w.boolean(job.get("UseEmailFilter", False))
    f1 = part(job, "EmailFilter1", {k: [] for k in FILTER1_LISTS})
    for k in FILTER1_LISTS:
        w.text_list(f1[k])
    f2 = part(job, "EmailFilter2", {"DateMode": "dmAny", "Days": 0, "FromDate": 0, "ToDate": 0})
    w.enum("DateMode", f2["DateMode"])
    w.integer(f2["Days"])
    w.datetime(f2["FromDate"])
    w.datetime(f2["ToDate"])
    w.boolean(job.get("ExportEmails", False))
    write_export_emails(w, part(job, "JobDef_ExportEmails", EXPORT_EMAILS))
    w.boolean(job.get("ExportAtts", False))
    write_export_atts(w, part(job, "JobDef_ExportAtts", EXPORT_ATTS))
    for switch, name in (("CopyEmails", "JobDef_Copy"), ("MoveEmails", "JobDef_Move")):
        w.boolean(job.get(switch, False))
        cm = part(job, name, COPY_MOVE)
        w.text(cm["FolderEntryID"])
        w.text(cm["FolderStoreID"])
        w.text(cm["SubFolderMask"])


def write_inbox(w, inbox):
    w.boolean(inbox.get("Active", False))
    tasks = inbox.get("Tasks", [])
    w.integer(len(tasks))
    for t in tasks:
        flt = part(t, "InboxFilter", {"SenderMasks": "", "RecipientMasks": "", "SubjectMask": "", "AttNameMasks": ""})
        for k in ("SenderMasks", "RecipientMasks", "SubjectMask", "AttNameMasks"):
            w.text(flt[k])
        w.boolean(t.get("ExportEmails", False))
        write_export_emails(w, part(t, "JobDef_ExportEmails", EXPORT_EMAILS))
        w.boolean(t.get("ExportAtts", False))
        write_export_atts(w, part(t, "JobDef_ExportAtts", EXPORT_ATTS))


def main():
    if len(sys.argv) != 5 or sys.argv[1] not in ("job", "inbox") or sys.argv[2] not in ("50", "52", "55"):
        sys.exit(__doc__)
    kind, version, src, dst = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
    with open(src, encoding="utf-8") as f:
        data = json.load(f)
    w = Writer(version)
    w.ansi("TWKOAD%d" % version)
    (write_job if kind == "job" else write_inbox)(w, data)
    with open(dst, "wb") as f:
        f.write(w.out)


if __name__ == "__main__":
    main()
