#!/usr/bin/python3
"""Writes the seed corpus of fuzz_binary_datafile: plain payloads (first byte 1), which the
target zips itself, and whole files (first byte 0) whose payload Python's zipfile packs."""
import io
import struct
import zipfile

from seedtools import DUE, i32, i64, reminder_record, text, write_seeds


def entry(caption, notes, version=2, delta=1 / 288):
    return text(caption) + text(notes) + struct.pack("<dd", DUE - 1, DUE - 0.5) + \
        reminder_record(version, version == 2, [0, 1], delta=delta)


def payload(count, entries, holidays, workdays, colors):
    seg1 = reminder_record(2, False, [0]) + i32(len(entries)) + b"".join(entries)
    seg2 = i32(len(holidays)) + b"".join(i32(d) for d in holidays) + \
        i32(len(workdays)) + b"".join(i32(d) for d in workdays)
    seg3 = i32(len(colors)) + b"".join(struct.pack("<iq", d, c) for d, c in colors)
    return i32(count) + b"".join(i64(len(s)) + s for s in (seg1, seg2, seg3))


def whole_file(plain, method=zipfile.ZIP_DEFLATED, protected=0, version=1):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", method) as z:
        z.writestr("ZIPDATA", plain)
    archive = buf.getvalue()
    return b"TockwellDataFile" + i32(version) + i32(1) + bytes([2, protected]) + \
        i64(len(archive)) + archive


full = payload(3, [entry("Dentist", "Bring the card"), entry("Zahnarzt \u00fcbermorgen", ""),
                   entry("old record", "version 1", version=1)],
               [45366, 45367], [45370], [(45366, 255), (45368, -16777208)])
write_seeds("fuzz_binary_datafile", {
    "plain_full": b"\1" + full,
    "plain_entries_only": b"\1" + payload(1, [entry("one", "")], [], [], []),
    "plain_empty": b"\1" + payload(3, [], [], [], []),
    # The longest repetition interval a file may hold (the calendar's days), then one refused.
    "plain_extreme_intervals": b"\1" + payload(3, [entry("longest", "", delta=3652059.0),
                                                  entry("refused", "", delta=1e300)],
                                               [], [], []),
    "file_deflated": b"\0" + whole_file(full),
    "file_stored": b"\0" + whole_file(full, zipfile.ZIP_STORED),
    "file_protected": b"\0" + whole_file(full, protected=1),
    "file_newer": b"\0" + whole_file(full, version=2),
})
