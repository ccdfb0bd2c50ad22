#!/usr/bin/python3
"""Writes the seed corpus of fuzz_reminder_record: reminder records of both versions in the
binary form (first byte 0) and reminder elements in the XML form (first byte 1)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "fuzz_reminder_record")
os.makedirs(OUT, exist_ok=True)

DUE = 45366.375  # 2024-03-15 09:00


def text(s):
    b = s.encode("utf-8")
    return struct.pack("<i", len(b)) + b


def actions(enabled):
    out = b""
    for kind in range(7):
        out += struct.pack("<B", 1 if kind in enabled else 0)
        if kind == 2:
            out += text("a@example.org, b@example.org")
        elif kind == 3:
            out += text("/usr/bin/true")
        elif kind == 5:
            out += text("ding.wav")
    return out


def record(version, repeat, enabled, placed=False):
    b = struct.pack("<iddBBdBiii", version, DUE, DUE, 0, 1 if repeat else 0,
                    1 / 288 if repeat else 0.0, 1, 3, 0, 1)
    b += actions(enabled)
    if version >= 2:
        b += struct.pack("<BdB", 1 if placed else 0, DUE if placed else 0.0, 0)
    return b


def seed(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


seed("v2_all_actions", b"\0" + record(2, True, range(7), placed=True))
seed("v2_window_only", b"\0" + record(2, False, [0]))
seed("v1_quiet", b"\0" + record(1, False, [1, 6]))
seed("xml_daily", b"\1" + b"""<Alerts ReminderDateTime="45366.375" NextAlertDateTime="45366.375"
 Snoozed="0" IsAutoAlertEnabled="-1" AutoAlertDelta="0.003472222" LimitAutoAlertCount="-1"
 MaxAutoAlertCount="3" AutoAlertIndex="0" ReminderState="1"><Alert AlertType="0"/>
<Alert AlertType="5" AudioFile="ding.wav"/><R RecurrenceType="0" PatternStartDate="2024-03-15"/>
</Alerts>""")
