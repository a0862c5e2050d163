#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
"""Writes the summary fields of an MSI that wixl cannot take from the WiX source: the package
code (wixl draws one at random), the creation and save times (wixl takes the clock's) and the
template's language (wixl always writes 1033). With libmsi, the library wixl writes with, through
its GObject binding (Debian: python3-gi, gir1.2-libmsi-1.0).

    pin_msi_summary.py PACKAGE.msi {PACKAGE-CODE} UNIX-TIME PLATFORM;LANGUAGE
"""
import sys

import gi

gi.require_version("Libmsi", "1.0")
from gi.repository import Libmsi  # noqa: E402 (needs the version chosen first)

# A FILETIME counts 100 ns from 1601-01-01; Unix time counts seconds from 1970-01-01.
FILETIME_TICKS_PER_SECOND = 10_000_000
SECONDS_FROM_1601_TO_1970 = 11_644_473_600


def main(path, package_code, unix_time, template):
    database = Libmsi.Database.new(path, Libmsi.DbFlags.TRANSACT, None)
    summary = Libmsi.SummaryInfo.new(database, 4)  # at most four properties change
    filetime = (int(unix_time) + SECONDS_FROM_1601_TO_1970) * FILETIME_TICKS_PER_SECOND
    summary.set_string(Libmsi.Property.UUID, package_code)
    summary.set_filetime(Libmsi.Property.CREATED_TM, filetime)
    summary.set_filetime(Libmsi.Property.LASTSAVED_TM, filetime)
    summary.set_string(Libmsi.Property.TEMPLATE, template)
    summary.persist()
    database.commit()


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
