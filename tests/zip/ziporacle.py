#!/usr/bin/python3
"""Python's zipfile as an independent oracle for the zip library's tests.

  list ARCHIVE [PASSWORD]     reads every entry (zipfile checks each CRC) and prints
                              name, size, CRC-32 (zlib) and flags, one entry a line
  stream ARCHIVE METHOD DIR   writes the files below DIR into ARCHIVE through a stream that
                              cannot seek, so that every entry has a data descriptor
                              (METHOD: stored or deflated)
  names ARCHIVE NAME...       one small entry per NAME, names kept as given ("../x", "/x")
  cp437 ARCHIVE               one entry whose name is code page 437 bytes without the UTF-8
                              flag: "\\x81ber.txt" holding "cp437"
"""
import os
import sys
import zipfile
import zlib


class NoSeek:
    """A write-only stream without seek or tell."""

    def __init__(self, f):
        self.f = f

    def write(self, b):
        return self.f.write(b)

    def flush(self):
        self.f.flush()


def cmd_list(archive, password=None):
    with zipfile.ZipFile(archive) as z:
        if password:
            z.setpassword(password.encode())
        for info in z.infolist():
            data = z.read(info)
            print(f"{info.filename}\t{len(data)}\t{zlib.crc32(data):08x}\t{info.flag_bits:04x}")


def cmd_stream(archive, method, folder):
    compression = zipfile.ZIP_STORED if method == "stored" else zipfile.ZIP_DEFLATED
    with open(archive, "wb") as raw:
        with zipfile.ZipFile(NoSeek(raw), "w", compression) as z:
            for root, dirs, files in os.walk(folder):
                dirs.sort()
                for name in sorted(files):
                    path = os.path.join(root, name)
                    z.write(path, os.path.relpath(path, folder))


def cmd_names(archive, *names):
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
        for name in names:
            z.writestr(zipfile.ZipInfo(name), b"escaped " + name.encode())


def cmd_cp437(archive):
    with zipfile.ZipFile(archive, "w") as z:
        z.writestr("Xber.txt", b"cp437")
    data = open(archive, "rb").read().replace(b"Xber.txt", b"\x81ber.txt")
    open(archive, "wb").write(data)


if __name__ == "__main__":
    commands = {"list": cmd_list, "stream": cmd_stream, "names": cmd_names, "cp437": cmd_cp437}
    commands[sys.argv[1]](*sys.argv[2:])
