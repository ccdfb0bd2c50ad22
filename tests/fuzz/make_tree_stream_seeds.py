#!/usr/bin/python3
"""Writes the seed corpus of fuzz_tree_stream: node streams of the tree-list control."""
import struct

from seedtools import write_seeds

VISIBLE, HAS_CHILDREN, EXPANDED, INITIALIZED = 0x80, 0x40, 0x20, 0x01


def header(version=2):
    return struct.pack("<6H", 0x2045, ord("V"), ord("T"), version, ord(" "), 0x2046)


def chunk(kind, body):
    return struct.pack("<Ii", kind, len(body)) + body


def node(children=(), states=VISIBLE | INITIALIZED, user=b"", extra=b"", version=2):
    if version == 1:
        base = struct.pack("<IIBBBBB", len(children), 18, states & 0xFF, 50, 0, 0, 0)
    else:
        if children:
            states |= HAS_CHILDREN
        base = struct.pack("<IIHBBBI", len(children), 18, states, 50, 0, 0, 0)
    body = chunk(2, base + b"".join(children))
    if user:
        body += chunk(4, user)
    return chunk(1, body + extra)


def stream(nodes, version=2):
    count = struct.pack("<I", len(nodes)) if version >= 2 else b""
    return header(version) + count + b"".join(nodes)


def main():
    leaf = node(user=struct.pack("<i", 7))
    deep = leaf
    for _ in range(20):
        deep = node([deep], states=VISIBLE | EXPANDED | INITIALIZED)
    seeds = {
        "three_leaves": stream([leaf, leaf, leaf]),
        "nested": stream([node([leaf, node([leaf, leaf])], states=VISIBLE | EXPANDED), leaf]),
        "deep": stream([deep]),
        "unknown_chunk": stream([node(extra=chunk(9, b"abc"))]),
        "version1": stream([node(version=1), node(version=1)], version=1),
        "empty": stream([]),
    }
    write_seeds("fuzz_tree_stream", seeds)


if __name__ == "__main__":
    main()
