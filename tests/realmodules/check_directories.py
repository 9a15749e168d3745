#!/usr/bin/env python3
"""Compares the full headers report of real modules with what binutils' objdump reads from them:
the section table (objdump -h: names, addresses, sizes, file offsets) and the data directories
(objdump -p: address and size of each). The modules are Wine's and MinGW's, unpacked by
scripts/fetch-real-modules.sh; without them the test is skipped (exit 77).

usage: check_directories.py CLI [PER_FOLDER]"""

import os
import re
import subprocess
import sys

SKIP = 77
FOLDERS = ("wine-x86_64", "wine-i386", "mingw-x86_64", "mingw-i686")
# Data directory index (as objdump numbers it) -> the report's group.
GROUPS = {"4": "Zertifikate", "5": "Basis-Relokationen", "6": "Debug", "9": "TLS",
          "a": "Lade-Konfiguration", "d": "Verzögert geladene Bibliotheken", "e": ".NET (CLR)"}


def report_groups(cli, path):
    out = subprocess.run([cli, "headers", "--full", path], capture_output=True, check=True,
                         timeout=60).stdout.decode("utf-8")
    groups, current, section = {}, None, None
    for line in out.splitlines():
        if line.startswith("  ") and not line.startswith("   "):
            current = line.strip()
            groups[current] = {"lines": [], "sections": []}
            continue
        if current is None:
            continue
        groups[current]["lines"].append(line)
        if current == "Abschnitte (IMAGE_SECTION_HEADER)":
            if line.startswith("    ") and not line.startswith("     "):
                section = {}
                groups[current]["sections"].append(section)
            m = re.match(r"^      (\w+) = (.*)$", line)
            if m and section is not None:
                section[m.group(1)] = m.group(2)
    return groups


def objdump(path):
    head = subprocess.run(["objdump", "-h", path], capture_output=True, timeout=60)
    priv = subprocess.run(["objdump", "-p", path], capture_output=True, timeout=60)
    if head.returncode != 0 or priv.returncode != 0:
        return None
    sections = []
    for line in head.stdout.decode("latin-1").splitlines():
        m = re.match(r"^\s*\d+\s+(\S+)\s+([0-9a-f]+)\s+([0-9a-f]+)\s+[0-9a-f]+\s+([0-9a-f]+)", line)
        if m:
            sections.append((m.group(1), int(m.group(2), 16), int(m.group(3), 16),
                             int(m.group(4), 16)))
    text = priv.stdout.decode("latin-1")
    base = int(re.search(r"^ImageBase\s+([0-9a-f]+)", text, re.M).group(1), 16)
    entries = {m.group(1): (int(m.group(2), 16), int(m.group(3), 16))
               for m in re.finditer(r"^Entry ([0-9a-f]) ([0-9a-f]+) ([0-9a-f]+)", text, re.M)}
    return sections, base, entries


def check(cli, path, failures):
    facts = objdump(path)
    if facts is None:
        return False
    sections, base, entries = facts
    groups = report_groups(cli, path)
    ours = groups["Abschnitte (IMAGE_SECTION_HEADER)"]["sections"]
    if len(ours) != len(sections):
        failures.append(f"{path}: {len(ours)} sections, objdump {len(sections)}")
        return True
    for mine, (name, size, vma, offset) in zip(ours, sections):
        # Long names ("/4") live in the COFF string table; the report shows what it resolves
        # to after the table's own "/n" form.
        shown = re.sub(r"^/\d+ \((.*)\)$", r"\1", mine["Name"])
        if shown != name:
            failures.append(f"{path}: name {mine['Name']!r}, objdump {name!r}")
        if int(mine["VirtualAddress"], 16) != vma - base:
            failures.append(f"{path} {name}: VirtualAddress {mine['VirtualAddress']}, "
                            f"objdump VMA {vma:#x} - ImageBase {base:#x}")
        if int(mine["PointerToRawData"], 16) != offset:
            failures.append(f"{path} {name}: PointerToRawData {mine['PointerToRawData']}, "
                            f"objdump {offset:#x}")
        # objdump's size is VirtualSize where it is set, else SizeOfRawData.
        virtual, raw = int(mine["VirtualSize"]), int(mine["SizeOfRawData"])
        if size not in (virtual, raw):
            failures.append(f"{path} {name}: sizes {virtual}/{raw}, objdump {size}")
    for index, label in GROUPS.items():
        address, length = entries.get(index, (0, 0))
        lines = groups.get(label, {"lines": []})["lines"]
        expected = [f"    VirtualAddress = 0x{address:08x}", f"    Size = {length} bytes"]
        if lines[:2] != expected:
            failures.append(f"{path} {label}: {lines[:2]}, objdump {expected}")
    return True


def main():
    cli = sys.argv[1]
    per_folder = int(sys.argv[2]) if len(sys.argv) > 2 else 40
    root = os.environ.get("TARNVIEW_REAL_MODULES") or os.path.join(
        os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "tarnview",
        "real-modules")
    folders = [os.path.join(root, f) for f in FOLDERS if os.path.isdir(os.path.join(root, f))]
    if not folders:
        print(f"skipped: no real modules under {root}")
        return SKIP
    failures, checked = [], 0
    for folder in folders:
        files = sorted(f for f in os.listdir(folder) if f.lower().endswith((".dll", ".exe")))
        step = max(1, len(files) // per_folder)
        for name in files[::step][:per_folder]:
            if check(cli, os.path.join(folder, name), failures):
                checked += 1
    for failure in failures[:50]:
        print(failure)
    if failures or checked == 0:
        print(f"{len(failures)} differences in {checked} modules")
        return 1
    print(f"ok: {checked} modules agree with objdump")
    return 0


if __name__ == "__main__":
    sys.exit(main())
