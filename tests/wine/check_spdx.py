#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
"""Reads a release's bill of materials back, as its users' tools would, with no code of its writer,
and checks it against the release: the fields SPDX 2.3 requires; every element that a
relationship names exists; every licence expression is valid SPDX (Debian's
python3-license-expression), each LicenseRef with its text; the release's files with their own
SHA-256; and every file of the toolchain that the link map names both in the notices and in a
package the program is statically linked with.

    check_spdx.py DOCUMENT NOTICES LINK_MAP RELEASE_FILE...
"""
import hashlib
import json
import os
import re
import sys

from license_expression import LicenseSymbol, Licensing, get_spdx_licensing

problems = []


def expect(condition, problem):
    if not condition:
        problems.append(problem)


def toolchain_files(link_map):
    """The basenames of the archives with members taken and of the objects loaded from /usr."""
    with open(link_map, encoding="utf-8", errors="replace") as lines:
        text = lines.read()
    members = text.split("Discarded input sections")[0]
    taken = set(re.findall(r"^/\S*/([^/\s(]+\.a)\(", members, re.M))
    taken |= set(re.findall(r"^LOAD /usr/\S*/([^/\s]+\.o)$", text, re.M))
    return taken


def main(document_path, notices_path, link_map, *release_files):
    with open(document_path, encoding="utf-8") as content:
        document = json.load(content)
    for field in ("spdxVersion", "dataLicense", "SPDXID", "name", "documentNamespace",
                  "creationInfo", "packages", "files", "relationships"):
        expect(field in document, f"the document has no {field}")
    expect(document.get("spdxVersion") == "SPDX-2.3", "not an SPDX 2.3 document")
    expect(document.get("dataLicense") == "CC0-1.0", "its data licence is not CC0-1.0")
    expect(re.match(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$", document["creationInfo"]["created"]),
           "its creation time is not in SPDX's form")

    elements = {element["SPDXID"]: element for element in document["packages"] + document["files"]}
    elements["SPDXRef-DOCUMENT"] = document
    for relation in document["relationships"]:
        for end in ("spdxElementId", "relatedSpdxElement"):
            expect(relation[end] in elements, f"a relationship names {relation[end]}, which is not there")

    references = {info["licenseId"] for info in document.get("hasExtractedLicensingInfos", [])
                  if info.get("extractedText", "").strip()}
    spdx = get_spdx_licensing()
    licensing = Licensing(list(spdx.known_symbols.values()) +
                          [LicenseSymbol(reference) for reference in references])
    expressions = []
    for element in document["packages"] + document["files"]:
        for field in ("licenseConcluded", "licenseDeclared"):
            expressions.append(element.get(field, "NOASSERTION"))
        expressions += element.get("licenseInfoInFiles", []) + element.get("licenseInfoFromFiles", [])
    for expression in sorted(set(expressions) - {"NOASSERTION", "NONE"}):
        try:
            errors = licensing.validate(expression, strict=True).errors
        except Exception as error:  # the library raises on some malformed expressions
            errors = [str(error)]
        expect(not errors, f"invalid licence expression {expression!r}: {errors}")

    by_name = {element.get("fileName"): element for element in document["files"]}
    for path in release_files:
        element = by_name.get("./" + os.path.basename(path))
        expect(element is not None, f"the document does not name {os.path.basename(path)}")
        if element:
            with open(path, "rb") as content:
                digest = hashlib.sha256(content.read()).hexdigest()
            sums = {checksum["algorithm"]: checksum["checksumValue"] for checksum in element["checksums"]}
            expect(sums.get("SHA256") == digest, f"{os.path.basename(path)}'s SHA-256 is not its own")

    program = by_name.get("./" + os.path.basename(release_files[0]), {}).get("SPDXID")
    linked = [elements[relation["relatedSpdxElement"]] for relation in document["relationships"]
              if relation["spdxElementId"] == program and relation["relationshipType"] == "STATIC_LINK"]
    named = " ".join(package.get("comment", "") for package in linked)
    expect(all(package.get("versionInfo") for package in linked), "a linked package has no version")
    with open(notices_path, encoding="utf-8") as content:
        notices = content.read().split("=" * 78)[0]
    files = toolchain_files(link_map)
    expect(files, "the link map names no file of the toolchain")
    for name in sorted(files):
        expect(re.search(rf"[:,] {re.escape(name)}\b", notices), f"the notices do not name {name}")
        expect(re.search(rf"[:,] {re.escape(name)}\b", named), f"no linked package names {name}")

    for problem in problems:
        print("check_spdx:", problem, file=sys.stderr)
    print(f"check_spdx: {len(document['files'])} files, {len(linked)} linked packages,",
          f"{len(files)} toolchain files, {len(set(expressions))} licence expressions:",
          "no problem" if not problems else f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
