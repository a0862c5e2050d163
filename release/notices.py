#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
"""Writes the third-party notices of a program linked with the MinGW-w64 toolchain, from what the
linker actually put into it, and the list of those components for the bill of materials.

    notices.py LINK_MAP NOTICES_TXT COMPONENTS_JSON

The link map (ld -Map) names every archive member and object file the linker took. Each file of
the toolchain is traced to the Debian package that installed it; the notices then carry, for each
of those packages, its name, version, the libraries taken from it and its copyright file
(/usr/share/doc/PACKAGE/copyright) word for word, which holds the licences and notices that
binary copies must reproduce. Files of the build itself (the program's own objects and
libraries) are not third-party. Fails, naming it, when a linked file belongs to no package or a
package has no copyright file: a release must not go out with a notice missing.
"""
import json
import os
import re
import subprocess
import sys

DOC = "/usr/share/doc"


def linked_files(link_map):
    """The toolchain's files the linker took, with the members taken from each archive: archive
    members from the map's first section, object files from its LOAD lines."""
    taken = {}
    in_members = False
    with open(link_map, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            if line.startswith("Archive member included"):
                in_members = True
                continue
            if re.match(r"(Discarded input sections|Allocating common symbols|Memory Configuration)",
                        line):
                in_members = False
            member = re.match(r"^(/\S+\.a)\((\S+)\)", line) if in_members else None
            if member:
                taken.setdefault(os.path.realpath(member.group(1)), set()).add(member.group(2))
            load = re.match(r"^LOAD (/\S+\.o)$", line.strip())
            if load:
                taken.setdefault(os.path.realpath(load.group(1)), set())
    return taken


def owning_packages(paths):
    """The Debian package of each path, as dpkg knows it."""
    result = subprocess.run(["dpkg-query", "-S", *paths], capture_output=True, text=True)
    owners = {}
    for line in result.stdout.splitlines():
        package, _, path = line.partition(": ")
        owners[path] = package.split(":")[0].split(", ")[0]
    missing = [path for path in paths if path not in owners]
    if missing:
        sys.exit("notices: no Debian package installed these linked files: " + ", ".join(missing))
    return owners


def package_version(package):
    return subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True,
                          text=True, check=True).stdout


def main(link_map, notices_path, components_path):
    taken = linked_files(link_map)
    if not taken:
        sys.exit(f"notices: {link_map} names no file of the toolchain")
    owners = owning_packages(sorted(taken))
    packages = {}
    for path, members in taken.items():
        entry = packages.setdefault(owners[path], {"files": {}})
        entry["files"][os.path.basename(path)] = sorted(members)
    texts = {}
    for package, entry in packages.items():
        copyright_path = os.path.join(DOC, package, "copyright")
        if not os.path.isfile(copyright_path):
            sys.exit(f"notices: {package} has no copyright file ({copyright_path})")
        with open(copyright_path, encoding="utf-8") as copyright_file:
            entry["copyright"] = copyright_file.read()
        entry["version"] = package_version(package)
        texts.setdefault(entry["copyright"], []).append(package)

    with open(notices_path, "w", encoding="utf-8", newline="\n") as out:
        out.write("Third-party notices of morvtime.exe\n"
                  "===================================\n\n"
                  "morvtime.exe is linked statically with these parts of the MinGW-w64\n"
                  "toolchain, as Debian packages them. Their copyright and licence notices follow,\n"
                  "as each package gives them in its copyright file.\n\n")
        for package in sorted(packages):
            entry = packages[package]
            out.write(f"- {package} {entry['version']}: {', '.join(sorted(entry['files']))}\n")
        for text, sharing in sorted(texts.items(), key=lambda item: sorted(item[1])):
            names = ", ".join(sorted(sharing))
            out.write(f"\n\n{'=' * 78}\n{names}\n{'=' * 78}\n\n{text.rstrip()}\n")

    components = [{"package": package, "version": entry["version"],
                   "copyright": f"{DOC}/{package}/copyright", "files": entry["files"]}
                  for package, entry in sorted(packages.items())]
    with open(components_path, "w", encoding="utf-8", newline="\n") as out:
        json.dump(components, out, indent=1, sort_keys=True)
        out.write("\n")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
