#!/usr/bin/python3
"""Writes Windows shell link (.lnk) files from the published binary format,
independently of Tarnwick's reader. Usage: lnkwriter.py OUT KIND ARGS...

  local PATH [--unicode-offsets]     LinkInfo with a local base path (split at the last backslash
                                     into base and common suffix)
  network SHARE SUFFIX               LinkInfo with a network share and a suffix
  relative RELPATH WORKDIR [--ansi]  no LinkInfo; string data with relative path and working dir
"""
import struct
import sys

CLSID = bytes.fromhex("0114020000000000c000000000000046")
HAS_IDLIST, HAS_LINKINFO, HAS_NAME, HAS_RELPATH, HAS_WORKDIR, IS_UNICODE = 1, 2, 4, 8, 16, 128


def header(flags):
    return struct.pack("<I16sIIQQQIIIHHII", 0x4C, CLSID, flags, 0x20, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0)


def idlist():
    item = b"\x1fP" + b"\x00" * 16  # an opaque item; readers skip the list by its size
    body = struct.pack("<H", len(item) + 2) + item + b"\x00\x00"
    return struct.pack("<H", len(body)) + body


def volume_id():
    return struct.pack("<IIII", 0x11, 3, 0x1234ABCD, 0x10) + b"\x00"


def link_info_local(path, unicode_offsets):
    cut = path.rfind("\\")
    base, suffix = path[: cut + 1], path[cut + 1 :]
    hsize = 0x24 if unicode_offsets else 0x1C
    vol = volume_id()
    base_a = base.encode("cp1252", "replace") + b"\x00"
    suffix_a = suffix.encode("cp1252", "replace") + b"\x00"
    off_vol = hsize
    off_base = off_vol + len(vol)
    off_suffix = off_base + len(base_a)
    tail = vol + base_a + suffix_a
    extra = b""
    if unicode_offsets:
        off_base_u = off_suffix + len(suffix_a)
        base_u = base.encode("utf-16-le") + b"\x00\x00"
        off_suffix_u = off_base_u + len(base_u)
        tail += base_u + suffix.encode("utf-16-le") + b"\x00\x00"
        extra = struct.pack("<II", off_base_u, off_suffix_u)
    size = hsize + len(tail)
    return struct.pack("<IIIIIII", size, hsize, 1, off_vol, off_base, 0, off_suffix) + extra + tail


def link_info_network(share, suffix):
    hsize = 0x1C
    name = share.encode("cp1252") + b"\x00"
    cnrl = struct.pack("<IIIII", 0x14 + len(name), 2, 0x14, 0, 0x00020000) + name
    suffix_a = suffix.encode("cp1252") + b"\x00"
    off_cnrl = hsize
    off_suffix = off_cnrl + len(cnrl)
    size = off_suffix + len(suffix_a)
    return struct.pack("<IIIIIII", size, hsize, 2, 0, 0, off_cnrl, off_suffix) + cnrl + suffix_a


def counted(text, unicode):
    data = text.encode("utf-16-le") if unicode else text.encode("cp1252")
    return struct.pack("<H", len(text)) + data


def main():
    out, kind, args = sys.argv[1], sys.argv[2], sys.argv[3:]
    if kind == "local":
        body = idlist() + link_info_local(args[0], "--unicode-offsets" in args)
        data = header(HAS_IDLIST | HAS_LINKINFO | IS_UNICODE) + body
    elif kind == "network":
        data = header(HAS_LINKINFO | IS_UNICODE) + link_info_network(args[0], args[1])
    elif kind == "relative":
        unicode = "--ansi" not in args
        flags = HAS_NAME | HAS_RELPATH | HAS_WORKDIR | (IS_UNICODE if unicode else 0)
        data = header(flags) + counted("a comment", unicode) + counted(args[0], unicode) + counted(args[1], unicode)
    else:
        raise SystemExit("unknown kind " + kind)
    with open(out, "wb") as f:
        f.write(data + b"\x00\x00\x00\x00")  # terminal extra-data block


if __name__ == "__main__":
    main()
