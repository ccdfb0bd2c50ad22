#!/usr/bin/python3
"""Writes the seed corpus of fuzz_binary_datafile: plain payloads (first byte 1), which the
target zips itself, and whole files (first byte 0) whose payload Python's zipfile packs."""
import io
import os
import struct
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "fuzz_binary_datafile")
os.makedirs(OUT, exist_ok=True)

DUE = 45366.375  # 2024-03-15 09:00


def i32(v):
    return struct.pack("<i", v)


def text(s):
    b = s.encode("utf-8")
    return i32(len(b)) + b


def actions(enabled):
    out = b""
    for kind in range(7):
        out += struct.pack("<B", 1 if kind in enabled else 0)
        if kind == 2:
            out += text("a@example.org")
        elif kind == 3:
            out += text("/usr/bin/true")
        elif kind == 5:
            out += text("ding.wav")
    return out


def record(version, repeat, enabled):
    b = struct.pack("<iddBBdBiii", version, DUE, DUE, 0, 1 if repeat else 0,
                    1 / 288 if repeat else 0.0, 1, 3, 0, 1)
    b += actions(enabled)
    if version >= 2:
        b += struct.pack("<BdB", 0, 0.0, 0)
    return b


def entry(caption, notes, version=2):
    return text(caption) + text(notes) + struct.pack("<dd", DUE - 1, DUE - 0.5) + \
        record(version, version == 2, [0, 1])


def segment(b):
    return struct.pack("<q", len(b)) + b


def payload(count, entries, holidays, workdays, colors):
    seg1 = record(2, False, [0]) + i32(len(entries)) + b"".join(entries)
    seg2 = i32(len(holidays)) + b"".join(i32(d) for d in holidays) + \
        i32(len(workdays)) + b"".join(i32(d) for d in workdays)
    seg3 = i32(len(colors)) + b"".join(struct.pack("<iq", d, c) for d, c in colors)
    return i32(count) + segment(seg1) + segment(seg2) + segment(seg3)


def whole_file(plain, method=zipfile.ZIP_DEFLATED, protected=0, version=1):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", method) as z:
        z.writestr("ZIPDATA", plain)
    archive = buf.getvalue()
    return b"TockwellDataFile" + i32(version) + i32(1) + bytes([2, protected]) + \
        struct.pack("<q", len(archive)) + archive


def seed(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


full = payload(3, [entry("Dentist", "Bring the card"), entry("Zahnarzt \u00fcbermorgen", ""),
                   entry("old record", "version 1", version=1)],
               [45366, 45367], [45370], [(45366, 255), (45368, -16777208)])
seed("plain_full", b"\1" + full)
seed("plain_entries_only", b"\1" + payload(1, [entry("one", "")], [], [], []))
seed("plain_empty", b"\1" + payload(3, [], [], [], []))
seed("file_deflated", b"\0" + whole_file(full))
seed("file_stored", b"\0" + whole_file(full, zipfile.ZIP_STORED))
seed("file_protected", b"\0" + whole_file(full, protected=1))
seed("file_newer", b"\0" + whole_file(full, version=2))
