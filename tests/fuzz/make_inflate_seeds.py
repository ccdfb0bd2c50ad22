#!/usr/bin/python3
"""Writes the seed corpus of fuzz_inflate: raw deflate streams made by zlib (first byte
below 200 selects inflate) and plain bytes for the legacy decoders (first byte 200-255)."""
import zlib

from seedtools import write_seeds


def raw(data, level, wbits=-15, strategy=zlib.Z_DEFAULT_STRATEGY):
    c = zlib.compressobj(level, zlib.DEFLATED, wbits, 8, strategy)
    return c.compress(data) + c.flush()


text = b"Call the dentist tomorrow at 9:30. Pay the rent on Friday. " * 40
binary = bytes((i * 7919) % 251 for i in range(3000))
seeds = {
    "text6": b"\x00" + raw(text, 6),
    "text1": b"\x01" + raw(text, 1),
    "fixed": b"\x02" + raw(text, 9, -15, zlib.Z_FIXED),
    "huff": b"\x03" + raw(binary, 6, -15, zlib.Z_HUFFMAN_ONLY),
    "stored": b"\x04" + raw(binary, 0),
    "rle": b"\x05" + raw(text, 6, -9, zlib.Z_RLE),
    "copy": bytes([200]) + text[:200],
    "shrink": bytes([201]) + text[:300],
    "implode": bytes([206]) + text[:300],
}
write_seeds("fuzz_inflate", seeds)
