#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
"""Writes a zip whose bytes depend only on the files and the time given: the entries in the order
given, each dated UNIX-TIME, with the same Unix permissions (rw-r--r--), deflated, and with no
owner (CMake's own writer records the builder's user and group ids in every entry).

    make_zip.py OUTPUT.zip UNIX-TIME ENTRY...

Each ENTRY is a file's path relative to the current folder, and its name in the zip.
"""
import stat
import struct
import sys
import time
import zipfile

UNIX = 3  # the system that made the entries: their external attributes hold a Unix mode
MODE = stat.S_IFREG | 0o644
# Info-ZIP's extended time stamp with the modification time only (flag 1), in Unix seconds. The
# zip's own time is a local time in steps of two seconds: without this field, an unpacker dates
# the files off by its time zone's distance from UTC, and an odd second one second early.
EXTENDED_TIME = 0x5455


def main(output, unix_time, *entries):
    seconds = int(unix_time)
    date_time = time.gmtime(seconds)[:6]
    extended_time = struct.pack("<HHBL", EXTENDED_TIME, 5, 1, seconds)
    with zipfile.ZipFile(output, "w") as archive:
        for name in entries:
            entry = zipfile.ZipInfo(name, date_time)
            entry.create_system = UNIX
            entry.external_attr = MODE << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.extra = extended_time
            with open(name, "rb") as file:
                archive.writestr(entry, file.read())


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
