"""Helpers shared by the make_*_seeds.py scripts: little-endian fields, the binary reminder
record, and writing a target's seed folder."""
import os
import struct

CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
DUE = 45366.375  # 2024-03-15 09:00


def i32(v):
    return struct.pack("<i", v)


def i64(v):
    return struct.pack("<q", v)


def text(s):
    """A string as the binary files hold it: its UTF-8 length, then the bytes."""
    b = s.encode("utf-8")
    return i32(len(b)) + b


def reminder_record(version, repeat, enabled, placed=False, emails="a@example.org",
                    delta=1 / 288):
    """A binary reminder record due at DUE with the alert actions of the kinds in enabled,
    repeating every delta days when repeat is set."""
    b = struct.pack("<iddBBdBiii", version, DUE, DUE, 0, 1 if repeat else 0,
                    delta if repeat else 0.0, 1, 3, 0, 1)
    for kind in range(7):
        b += struct.pack("<B", 1 if kind in enabled else 0)
        if kind == 2:
            b += text(emails)
        elif kind == 3:
            b += text("/usr/bin/true")
        elif kind == 5:
            b += text("ding.wav")
    if version >= 2:
        b += struct.pack("<BdB", 1 if placed else 0, DUE if placed else 0.0, 0)
    return b


def write_seeds(target, seeds):
    """Writes each name: bytes of seeds into corpus/<target>/."""
    out = os.path.join(CORPUS, target)
    os.makedirs(out, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    return out
