#!/usr/bin/python3
"""Writes the seed corpus of fuzz_tagged_stream: plan length, plan bytes, then a tagged block."""
import struct

from seedtools import i32, i64, text as s, write_seeds

# Plan op codes, as in fuzz_tagged_stream.cpp.
TAG_LENIENT, TAG_STRICT, BOOL_LENIENT, BOOL_STRICT = 0, 5, 10, 11
STRING, INT_LIST, SEGMENT, SKIP, COUNT = 12, 13, 14, 15, 16


def tag(t, payload=b""):
    return bytes([t]) + payload


def seed(plan, stream):
    return bytes([len(plan)]) + bytes(plan) + stream


def main():
    every = (tag(0, i32(-7)) + tag(1, struct.pack("<d", 0.5)) + tag(2, b"\x01")
             + tag(3, s("Grüße")) + tag(4, i64(1 << 40)))
    nested_inner = i32(2) + tag(2, b"\x00") + tag(3, s("inner"))
    outer = i32(3) + tag(0, i32(1)) + i64(len(nested_inner)) + nested_inner + tag(2, b"\x01")
    seeds = {
        "every_kind_strict": seed([TAG_STRICT + k for k in range(5)], i32(5) + every),
        "every_kind_lenient": seed([TAG_LENIENT + 2] * 5, i32(5) + every),
        "skip_all": seed([], i32(5) + every),
        "nested_segment": seed([TAG_STRICT, SEGMENT, BOOL_STRICT, TAG_LENIENT + 3, BOOL_LENIENT],
                               outer),
        "empty_segment": seed([SEGMENT, SKIP], i32(2) + i64(0) + tag(0, i32(3))),
        "plain_string_and_list": seed([STRING, INT_LIST, COUNT, BOOL_STRICT],
                                      i32(0) + s("") + i32(3) + i32(1) + i32(2) + i32(3)
                                      + i32(1) + tag(2, b"\x01")),
        "bad_tag": seed([TAG_LENIENT], i32(1) + tag(9, i32(0))),
        "huge_lengths": seed([STRING, INT_LIST, SEGMENT],
                             i32(0) + i32(0x7FFFFFFF) + i32(-1) + i64(-1)),
        "truncated": seed([TAG_STRICT + 3], i32(1) + tag(3, i32(100) + b"short")),
    }
    write_seeds("fuzz_tagged_stream", seeds)


if __name__ == "__main__":
    main()
