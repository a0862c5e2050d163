#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
"""Writes the bill of materials of a release as an SPDX 2.3 document (JSON): the sources, each
file with its checksums, licence and copyright as its SPDX header says; the parts of the toolchain
linked into the program, a package for each Debian package they came from, with its version and
the licences of what was taken (linked_licences.txt); and the release's files with their SHA-1
and SHA-256. The same inputs give the same bytes: the time is the source date (SOURCE_DATE_EPOCH,
else the last commit's time, as for the zip and the MSI), the document's namespace derives from
the contents.

    spdx.py OUTPUT NAME VERSION SOURCE_DIR COMPONENTS_JSON LICENCE_TABLE RELEASE_FILE...

COMPONENTS_JSON is what notices.py wrote; the first RELEASE_FILE is the program, the others are
packages that contain it (the zip, the MSI).
"""
import hashlib
import json
import os
import re
import subprocess
import sys
import time
import uuid

IMPORT_MEMBER = re.compile(r"^\w+?(h|t|s\d+)\.o$")  # dlltool's members of an import library


def spdx_id(*parts):
    return "SPDXRef-" + re.sub(r"[^A-Za-z0-9.-]+", "-", "-".join(parts))


def checksums(path):
    with open(path, "rb") as content:
        data = content.read()
    return [{"algorithm": "SHA1", "checksumValue": hashlib.sha1(data).hexdigest()},
            {"algorithm": "SHA256", "checksumValue": hashlib.sha256(data).hexdigest()}]


def header_fields(path):
    """The SPDX-License-Identifier and SPDX-FileCopyrightText of a file (or its .license file)."""
    tagged = path + ".license" if os.path.exists(path + ".license") else path
    with open(tagged, "rb") as content:
        head = content.read(4096).decode("utf-8", "replace")
    tag = r"SPDX-{}: (.+?)\s*(?:-->|\*/)?\s*$"  # the tags apart, so that REUSE does not read them here
    licences = re.findall(tag.format("License-Identifier"), head, re.M)
    holders = re.findall(tag.format("FileCopyrightText"), head, re.M)
    return licences, holders


def source_files(source_dir):
    listed = subprocess.run(["git", "-C", source_dir, "ls-files", "-z"], capture_output=True,
                            check=True).stdout.decode("utf-8")
    entries = []
    for name in sorted(filter(None, listed.split("\0"))):
        licences, holders = header_fields(os.path.join(source_dir, name))
        entries.append({
            "SPDXID": spdx_id("Source", name),
            "fileName": "./" + name,
            "checksums": checksums(os.path.join(source_dir, name)),
            "licenseConcluded": "NOASSERTION",
            "licenseInfoInFiles": licences or ["NOASSERTION"],
            "copyrightText": "\n".join(holders) or "NOASSERTION",
        })
    return entries


def licence_table(path):
    table = {}
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            if line.strip() and not line.startswith("#"):
                name, expression = line.split(None, 1)
                table[name] = expression.strip()
    return table


def licence_of(table, name, members):
    if name in table:
        return table[name]
    if members and all(IMPORT_MEMBER.match(member) for member in members):
        return table["import-library"]
    sys.exit(f"spdx: linked file {name} has no licence in the table; add it to linked_licences.txt")


def licence_texts(copyright_path):
    """The text of each licence a machine-readable (DEP-5) copyright file states, by its name."""
    with open(copyright_path, encoding="utf-8") as content:
        paragraphs = content.read().split("\n\n")
    texts = {}
    for paragraph in paragraphs:
        field = re.search(r"^License: *(.+)\n((?: .*\n?)+)", paragraph + "\n", re.M)
        if field:
            lines = [line[1:] if line[1:] != "." else "" for line in field.group(2).splitlines()]
            texts.setdefault(field.group(1).strip(), "\n".join(lines).strip())
    return texts


def conjunction(expressions):
    terms = sorted({term for expression in expressions for term in expression.split(" AND ")})
    return " AND ".join(terms)


def source_date(source_dir):
    if "SOURCE_DATE_EPOCH" in os.environ:
        return int(os.environ["SOURCE_DATE_EPOCH"])
    commit = subprocess.run(["git", "-C", source_dir, "log", "-1", "--format=%ct"],
                            capture_output=True, text=True)
    return int(commit.stdout) if commit.returncode == 0 and commit.stdout.strip() else 315532800


def main(output, name, version, source_dir, components_json, table_path, *release_files):
    with open(components_json, encoding="utf-8") as content:
        components = json.load(content)
    table = licence_table(table_path)
    sources = source_files(source_dir)
    program_id = spdx_id("File", os.path.basename(release_files[0]))
    source_package = spdx_id("Package", name, "source")

    files = list(sources)
    relationships = [{"spdxElementId": source_package, "relationshipType": "CONTAINS",
                      "relatedSpdxElement": source["SPDXID"]} for source in sources]
    for path in release_files:
        files.append({"SPDXID": spdx_id("File", os.path.basename(path)),
                      "fileName": "./" + os.path.basename(path), "checksums": checksums(path),
                      "licenseConcluded": "NOASSERTION", "copyrightText": "NOASSERTION"})
        if path != release_files[0]:
            relationships.append({"spdxElementId": files[-1]["SPDXID"], "relationshipType": "CONTAINS",
                                  "relatedSpdxElement": program_id})
    relationships.append({"spdxElementId": program_id, "relationshipType": "GENERATED_FROM",
                          "relatedSpdxElement": source_package})

    packages = [{
        "SPDXID": source_package, "name": name, "versionInfo": version,
        "supplier": "Organization: MorvTime Developers", "downloadLocation": "NOASSERTION",
        "filesAnalyzed": True,
        "packageVerificationCode": {"packageVerificationCodeValue": hashlib.sha1("".join(sorted(
            source["checksums"][0]["checksumValue"] for source in sources)).encode()).hexdigest()},
        "licenseConcluded": "NOASSERTION", "licenseDeclared": "MIT",
        "licenseInfoFromFiles": sorted({licence for source in sources
                                        for licence in source["licenseInfoInFiles"]}),
        "copyrightText": "2026 MorvTime Developers",
    }]
    extracted = {}
    for component in components:
        expression = conjunction(licence_of(table, file, members)
                                 for file, members in sorted(component["files"].items()))
        texts = None
        for reference in re.findall(r"LicenseRef-([\w.-]+)", expression):
            texts = texts or licence_texts(component["copyright"])
            if reference not in texts:
                sys.exit(f"spdx: {component['copyright']} states no licence named {reference}")
            extracted["LicenseRef-" + reference] = {
                "licenseId": "LicenseRef-" + reference, "name": reference,
                "extractedText": texts[reference]}
        package_id = spdx_id("Package", "deb", component["package"])
        packages.append({
            "SPDXID": package_id, "name": component["package"], "versionInfo": component["version"],
            "supplier": "Organization: Debian", "downloadLocation": "NOASSERTION",
            "filesAnalyzed": False, "licenseConcluded": expression, "licenseDeclared": "NOASSERTION",
            "copyrightText": "NOASSERTION",
            "comment": "Linked into the program: " + ", ".join(sorted(component["files"])) + ".",
            "externalRefs": [{"referenceCategory": "PACKAGE-MANAGER", "referenceType": "purl",
                              "referenceLocator": f"pkg:deb/debian/{component['package']}@"
                                                  f"{component['version']}"}],
        })
        relationships.append({"spdxElementId": program_id, "relationshipType": "STATIC_LINK",
                              "relatedSpdxElement": package_id})

    digest = hashlib.sha256(json.dumps([files, packages], sort_keys=True).encode()).hexdigest()
    document = {
        "spdxVersion": "SPDX-2.3", "dataLicense": "CC0-1.0", "SPDXID": "SPDXRef-DOCUMENT",
        "name": os.path.basename(output).removesuffix(".spdx.json"),
        "documentNamespace": "urn:uuid:" + str(uuid.uuid5(uuid.NAMESPACE_URL, digest)),
        "creationInfo": {"created": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(source_date(source_dir))),
                         "creators": ["Organization: MorvTime Developers", "Tool: release/spdx.py"]},
        "documentDescribes": [spdx_id("File", os.path.basename(path)) for path in release_files],
        "packages": packages, "files": files, "relationships": relationships,
        "hasExtractedLicensingInfos": [extracted[key] for key in sorted(extracted)],
    }
    with open(output, "w", encoding="utf-8", newline="\n") as out:
        json.dump(document, out, indent=1, ensure_ascii=False)
        out.write("\n")


if __name__ == "__main__":
    if len(sys.argv) < 8:
        sys.exit(__doc__)
    main(*sys.argv[1:])
