#!/usr/bin/python3
"""Writes the seed corpus of fuzz_zip_reader: small archives made by Python's zipfile (stored,
deflated, streamed with data descriptors, folders, comments), one of them split over three
disks in the target's form (the sizes of the first two disks, then the disks), and, when
Info-ZIP zip is at hand, one encrypted with the password "fuzz" (the password the target
tries)."""
import io
import os
import shutil
import struct
import subprocess
import tempfile
import zipfile

from seedtools import write_seeds

TEXT = b"remind me to call the dentist tomorrow at ten " * 8


class NoSeek(io.RawIOBase):
    def __init__(self):
        self.buf = bytearray()

    def writable(self):
        return True

    def write(self, b):
        self.buf += b
        return len(b)


def archive(method, streamed=False, comment=b"", folders=False):
    sink = NoSeek() if streamed else io.BytesIO()

    def put(z, name, data):
        info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0))
        info.compress_type = method
        z.writestr(info, data)

    with zipfile.ZipFile(sink, "w", method) as z:
        z.comment = comment
        if folders:
            put(z, "dir/", b"")
        put(z, "dir/a.txt" if folders else "a.txt", TEXT)
        put(z, "b.bin", bytes(range(256)))
        put(z, "empty", b"")
    return bytes(sink.buf) if streamed else sink.getvalue()


def split(data):
    """The archive split over three disks as zip -s lays them out: the spanning signature, the
    entries running over the disk ends, the central directory and end record on the last."""
    end = data.rindex(b"PK\x05\x06")
    count, cd_size, cd_offset = struct.unpack_from("<HII", data, end + 10)
    region = b"PK\x07\x08" + data[:cd_offset]
    cuts = [0, len(region) // 3, 2 * len(region) // 3, len(region)]
    central = bytearray(data[cd_offset:cd_offset + cd_size])
    at = 0
    for _ in range(count):
        offset = struct.unpack_from("<I", central, at + 42)[0] + 4
        disk = max(d for d in range(3) if cuts[d] <= offset)
        struct.pack_into("<HxxxxxxI", central, at + 34, disk, offset - cuts[disk])
        names = struct.unpack_from("<HHH", central, at + 28)
        at += 46 + sum(names)
    last = region[cuts[2]:]
    record = struct.pack("<IHHHHIIH", 0x06054B50, 2, 2, count, count, cd_size, len(last), 0)
    disks = [region[cuts[0]:cuts[1]], region[cuts[1]:cuts[2]], last + bytes(central) + record]
    return struct.pack("<HH", len(disks[0]), len(disks[1])) + b"".join(disks)


def main():
    seeds = {
        "stored": archive(zipfile.ZIP_STORED),
        "deflated": archive(zipfile.ZIP_DEFLATED),
        "streamed_deflated": archive(zipfile.ZIP_DEFLATED, streamed=True),
        "streamed_stored": archive(zipfile.ZIP_STORED, streamed=True),
        "comment_folders": archive(zipfile.ZIP_DEFLATED, comment=b"note", folders=True),
        "split": split(archive(zipfile.ZIP_DEFLATED)),
    }
    if shutil.which("zip"):
        with tempfile.TemporaryDirectory() as tmp:
            with open(os.path.join(tmp, "a.txt"), "wb") as f:
                f.write(TEXT)
            subprocess.run(["zip", "-q", "-P", "fuzz", "-X", "locked.zip", "a.txt"],
                           cwd=tmp, check=True)
            with open(os.path.join(tmp, "locked.zip"), "rb") as f:
                seeds["encrypted"] = f.read()
    out = write_seeds("fuzz_zip_reader", seeds)
    print(f"wrote {len(seeds)} seeds to {out}")


if __name__ == "__main__":
    main()
