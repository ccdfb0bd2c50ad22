#!/usr/bin/python3
"""Writes the seed corpus of fuzz_recurrence_pattern: a few pattern records of every
version, each after the flag byte and the due and reference dates the target reads first."""
import struct

from seedtools import write_seeds

DUE = 45365.375  # 2024-03-14 09:00
REF = 45366.5


def record(version, rtype, schedule=False, interval=1, delta=1 / 24, random_to=0.0):
    b = struct.pack("<iiddiiiBBiBBi", version, rtype, 45365.0, 0.0, -1, interval, 1,
                    1 << 5, 14, 3, 0, 1, 1)
    if version >= 2:
        b += struct.pack("<B", 0)
    if version >= 3:
        b += struct.pack("<dBi", delta, 0, 0)
    if version >= 4:
        b += struct.pack("<dB", random_to, 1 if schedule else 0)
        if schedule:
            grid = bytes(([0] * 108 + [1] * 96 + [0] * 84) * 7)
            b += struct.pack("<Bi", 1, 2016) + grid
    return b


def seed(flags, body):
    return struct.pack("<Bdd", flags, DUE, REF) + body


write_seeds("fuzz_recurrence_pattern", {
    "weekly_v1": seed(0b00111, record(1, 1)),
    "daily_v2": seed(0b01011, record(2, 0, interval=3)),
    "monthly_v3": seed(0b00111, record(3, 2)),
    "nth_v4": seed(0b10011, record(4, 3)),
    "hourly_schedule_v4": seed(0b00111, record(4, 7, schedule=True, random_to=3 / 24)),
    "yearly_v4": seed(0b00111, record(4, 5, interval=4)),
})
