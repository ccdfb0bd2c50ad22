#!/usr/bin/python3
"""Writes the seed corpus of fuzz_zip_reader: small archives made by Python's zipfile (stored,
deflated, streamed with data descriptors, folders, comments) and, when Info-ZIP zip is at
hand, one encrypted with the password "fuzz" (the password the target tries)."""
import io
import os
import shutil
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


def main():
    seeds = {
        "stored": archive(zipfile.ZIP_STORED),
        "deflated": archive(zipfile.ZIP_DEFLATED),
        "streamed_deflated": archive(zipfile.ZIP_DEFLATED, streamed=True),
        "streamed_stored": archive(zipfile.ZIP_STORED, streamed=True),
        "comment_folders": archive(zipfile.ZIP_DEFLATED, comment=b"note", folders=True),
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
