#!/usr/bin/env python3
"""Compares the full headers report of the MinGW-built fixtures with what other tools read from
them: the section table and data directories (objdump -h/-p, as for the real modules), the debug
directory with its CodeView record (objdump -p), the delay-load imports, TLS directory, load
configuration and base relocations (llvm-readobj), and the TLS callbacks with the addresses nm
gives the fixture's own callback functions.

usage: check_fixtures.py CLI FIXTURE_DIR    (exit 77 when no fixture was built)
       check_fixtures.py CLI DIR --every N  (every Nth module of a folder of real modules,
                                              which need not hold every kind of structure)"""

import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "realmodules"))
import check_directories  # noqa: E402  (sections and directory entries against objdump)

SKIP = 77
READOBJ = "llvm-readobj-14"


def run(*args):
    return subprocess.run(args, capture_output=True, check=True, timeout=60).stdout.decode(
        "utf-8", "replace")


def report_tree(cli, path):
    """The full report as nested (text, children) by indentation, two spaces a level."""
    root = ("", [])
    stack = [(-1, root)]
    for line in run(cli, "headers", "--full", path).splitlines():
        depth = (len(line) - len(line.lstrip(" "))) // 2
        node = (line.lstrip(" "), [])
        while stack[-1][0] >= depth:
            stack.pop()
        stack[-1][1][1].append(node)
        stack.append((depth, node))
    return root


def child(node, text):
    for c in node[1]:
        if c[0] == text:
            return c
    return None


def fields(node):
    out = {}
    for text, _ in node[1]:
        if " = " in text:
            key, value = text.split(" = ", 1)
            out[key] = value
    return out


def group(tree, label):
    for top in tree[1]:
        found = child(top, label)
        if found:
            return found
    raise KeyError(label)


def readobj_blocks(text, opener):
    """llvm-readobj's `Name {` ... `}` blocks at the top level, as lists of their lines."""
    blocks, current, depth = [], None, 0
    for line in text.splitlines():
        if current is None:
            if line == opener:
                current, depth = [], 1
            continue
        depth += line.count("{") + line.count("[") - line.count("}") - line.count("]")
        if depth == 0:
            blocks.append(current)
            current = None
        else:
            current.append(line.strip())
    return blocks


def readobj_fields(lines):
    out = {}
    for line in lines:
        m = re.match(r"^(\w+): (.*)$", line)
        if m and m.group(1) not in out:
            out[m.group(1)] = m.group(2)
    return out


def num(text):
    """A number as either tool prints it: 0x-hex, plain decimal, or hex before a space."""
    text = text.split(" ")[0]
    return int(text, 16) if text.startswith("0x") else int(text)


class Checker:
    def __init__(self, path):
        self.path = path
        self.failures = []

    def same(self, what, ours, theirs):
        if ours != theirs:
            self.failures.append(f"{self.path}: {what}: ours {ours!r}, other tool {theirs!r}")


def check_debug(c, tree):
    text = run("objdump", "-p", c.path)
    theirs = re.findall(r"^\s*(\d+)\s+\S+\s+([0-9a-f]+) ([0-9a-f]+) ([0-9a-f]+)\n"
                        r"\(format RSDS signature ([0-9a-f]+) age (\d+) pdb (.*)\)$", text, re.M)
    debug = group(tree, "Debug")
    ours = [fields(e) for e in debug[1] if e[1]]
    c.same("debug entry count", len(ours), len(theirs))
    for mine, (kind, size, rva, offset, signature, age, pdb) in zip(ours, theirs):
        c.same("debug Type", num(mine["Type"]), int(kind))
        c.same("debug SizeOfData", num(mine["SizeOfData"]), int(size, 16))
        c.same("debug AddressOfRawData", num(mine["AddressOfRawData"]), int(rva, 16))
        c.same("debug PointerToRawData", num(mine["PointerToRawData"]), int(offset, 16))
        # objdump prints the GUID as its fields read, which is the text form without dashes.
        c.same("CodeView GUID", mine["Guid"].strip("{}").replace("-", "").lower(), signature)
        c.same("CodeView age", num(mine["Age"]), int(age))
        c.same("CodeView PDB", mine["PdbFileName"].strip() or "(none)", pdb)
    return len(theirs)


def check_delay_imports(c, tree):
    blocks = readobj_blocks(run(READOBJ, "--coff-imports", c.path), "DelayImport {")
    libraries = [n for n in group(tree, "Verzögert geladene Bibliotheken")[1] if n[1]]
    c.same("delay-loaded library count", len(libraries), len(blocks))
    count = 0
    for (name, children), lines in zip(libraries, blocks):
        theirs = readobj_fields(lines)
        mine = fields((name, children))
        c.same("delay library name", name, theirs["Name"])
        for ours_key, their_key in (("Attributes", "Attributes"),
                                    ("ModuleHandleRVA", "ModuleHandle"),
                                    ("ImportAddressTableRVA", "ImportAddressTable"),
                                    ("ImportNameTableRVA", "ImportNameTable"),
                                    ("BoundImportAddressTableRVA", "BoundDelayImportTable"),
                                    ("UnloadInformationTableRVA", "UnloadDelayImportTable")):
            c.same(f"{name} {ours_key}", num(mine[ours_key]), num(theirs[their_key]))
        functions = [t for t, _ in child((name, children), "Functions")[1]]
        expected = []
        for m in re.finditer(r"Symbol: (\S*) \((\d+)\)", "\n".join(lines)):
            symbol, number = m.groups()
            expected.append(f"{symbol} (Hint = {number})" if symbol else f"Ordinal {number}")
        c.same(f"{name} functions", functions, expected)
        count += len(expected)
    return count


def check_tls(c, tree, symbols):
    # llvm-readobj prints an empty block when there is no directory.
    blocks = [b for b in readobj_blocks(run(READOBJ, "--coff-tls-directory", c.path),
                                        "TLSDirectory {") if b]
    tls = group(tree, "TLS")
    directory = next((n for n in tls[1] if n[0].startswith("IMAGE_TLS_DIRECTORY")), None)
    c.same("TLS directory present", directory is not None, bool(blocks))
    if directory is None or not blocks:
        return 0
    lines = blocks[0]
    theirs = readobj_fields(lines)
    mine = fields(directory)
    for key in ("StartAddressOfRawData", "EndAddressOfRawData", "AddressOfIndex",
                "AddressOfCallBacks", "SizeOfZeroFill"):
        c.same(f"TLS {key}", num(mine[key]), num(theirs[key]))
    c.same("TLS Characteristics", num(mine["Characteristics"]),
           int(re.search(r"Characteristics \[ \(0x([0-9A-Fa-f]+)\)", "\n".join(lines)).group(1), 16))
    callbacks = [num(t) for t, _ in child(tls, "Callbacks")[1]]
    # The runtime's table runs from the slot after __xl_a up to the null __xl_z.
    width = 8 if directory[0].endswith("64") else 4
    found = 0
    if "__xl_a" in symbols and "__xl_z" in symbols:
        c.same("TLS callback count", len(callbacks),
               (symbols["__xl_z"] - symbols["__xl_a"]) // width - 1)
    for function in ("on_thread", "on_thread_detach"):
        if function not in symbols:
            continue
        found += 1
        if symbols[function] not in callbacks:
            c.failures.append(f"{c.path}: TLS callback {function} at {symbols[function]:#x} "
                              f"missing from {[hex(x) for x in callbacks]}")
    return found


def check_load_config(c, tree):
    blocks = [b for b in readobj_blocks(run(READOBJ, "--coff-load-config", c.path),
                                        "LoadConfig [") if b]
    config = group(tree, "Lade-Konfiguration")
    directory = next((n for n in config[1] if n[0].startswith("IMAGE_LOAD_CONFIG_DIRECTORY")),
                     None)
    c.same("load configuration present", directory is not None, bool(blocks))
    if directory is None or not blocks:
        return 0
    theirs = readobj_fields(blocks[0])
    mine = fields(directory)
    for key, value in mine.items():
        c.same(f"load configuration {key}", num(value), num(theirs[key]))
    return len(mine)


def check_relocations(c, tree):
    counts = {}
    for m in re.finditer(r"Type: (\w+)", run(READOBJ, "--coff-basereloc", c.path)):
        name = f"IMAGE_REL_BASED_{m.group(1)}"
        counts[name] = counts.get(name, 0) + 1
    mine = {k: int(v) for k, v in fields(group(tree, "Basis-Relokationen")).items()
            if k.startswith("IMAGE_REL_BASED_")}
    c.same("relocations per type", mine, counts)
    return sum(counts.values())


def nm_symbols(path):
    try:
        text = run("nm", path)
    except (OSError, subprocess.CalledProcessError):
        return {}
    symbols = {}
    for m in re.finditer(r"^([0-9a-f]+) \w (\S+)$", text, re.M):
        symbols[m.group(2)] = int(m.group(1), 16)
    # i386 names carry the C compiler's underscore and, for stdcall, the argument bytes.
    for name, address in list(symbols.items()):
        symbols.setdefault(re.sub(r"^_(.*?)(@\d+)?$", r"\1", name), address)
    return symbols


def main():
    cli, root = sys.argv[1], sys.argv[2]
    every = int(sys.argv[4]) if len(sys.argv) > 4 and sys.argv[3] == "--every" else 0
    paths = sorted(os.path.join(d, f) for d, _, files in os.walk(root) for f in files
                   if f.lower().endswith((".dll", ".exe")))[::max(every, 1)]
    if not paths:
        print(f"skipped: no MinGW fixtures under {root}")
        return SKIP
    failures, seen = [], {}
    for path in paths:
        directory_failures = []
        check_directories.check(cli, path, directory_failures)
        failures += directory_failures
        c = Checker(path)
        tree = report_tree(cli, path)
        for what, count in (("debug entries", check_debug(c, tree)),
                            ("delay imports", check_delay_imports(c, tree)),
                            ("TLS callbacks named by nm", check_tls(c, tree, nm_symbols(path))),
                            ("load configuration fields", check_load_config(c, tree)),
                            ("relocations", check_relocations(c, tree))):
            seen[what] = seen.get(what, 0) + count
        failures += c.failures
    for failure in failures[:50]:
        print(failure)
    # Every kind of structure must have been there to compare, or the fixtures lost something.
    missing = [what for what, count in seen.items() if count == 0 and not every]
    if failures or missing:
        print(f"{len(failures)} differences in {len(paths)} modules; nothing seen of {missing}")
        return 1
    print(f"ok: {len(paths)} modules agree with objdump, llvm-readobj and nm: " +
          ", ".join(f"{count} {what}" for what, count in seen.items()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
