#!/usr/bin/env python3
"""Round trip of `tarnview-cli rc`: each module's script is compiled by windres into a .res file,
and the bytes of every (type, name, language) are compared with the module's own.

usage: rc_roundtrip.py TARNVIEW_CLI WINDRES [--min-exact TYPE=N ...] [--all-exact] [--show N]
                       MODULE_OR_FOLDER...

Prints, per type, how many resources came back identical, how many differ and how many are
missing from the .res, and for the first differing ones where they differ. Exits 1 when a
compile fails, when a type has fewer identical resources than --min-exact asks or, with
--all-exact, when any resource is not identical; 77 (skipped)
when no module is found.
"""
import os
import struct
import subprocess
import sys
import tempfile

TYPES = {4: "MENU", 5: "DIALOG", 6: "STRINGTABLE", 9: "ACCELERATORS", 16: "VERSIONINFO"}


def pe_resources(data):
    """{(type, name, lang): bytes} of a PE module; names are ints or str."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        return {}
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return {}
    nsec, opt_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    dd = opt + (96 if magic == 0x10B else 112)
    rsrc_rva, _ = struct.unpack_from("<II", data, dd + 2 * 8)
    sections = []
    for i in range(nsec):
        s = opt + opt_size + 40 * i
        vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, s + 8)
        sections.append((va, max(vsize, rawsize), rawptr, rawsize))

    def off(rva):
        for va, size, rawptr, rawsize in sections:
            if va <= rva < va + size and rva - va < rawsize:
                return rawptr + rva - va
        return None

    root = off(rsrc_rva) if rsrc_rva else None
    if root is None:
        return {}

    def entries(at):
        named, ids = struct.unpack_from("<HH", data, root + at + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, root + at + 16 + 8 * i)
            if name & 0x80000000:
                p = root + (name & 0x7FFFFFFF)
                n = struct.unpack_from("<H", data, p)[0]
                key = data[p + 2:p + 2 + 2 * n].decode("utf-16-le", "replace")
            else:
                key = name & 0xFFFF
            yield key, target

    out = {}
    for t, tt in entries(0):
        for n, nt in entries(tt & 0x7FFFFFFF):
            for lang, lt in entries(nt & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, root + lt)
                o = off(rva)
                if o is not None:
                    out[(t, n, lang)] = data[o:o + size]
    return out


def res_records(data):
    """{(type, name, lang): bytes} of a .res file."""
    out = {}
    pos = 0

    def ident(p):
        if struct.unpack_from("<H", data, p)[0] == 0xFFFF:
            return struct.unpack_from("<H", data, p + 2)[0], p + 4
        end = p
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[p:end].decode("utf-16-le"), end + 2

    while pos + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, pos)
        t, p = ident(pos + 8)
        n, p = ident(p)
        p = (p + 3) & ~3
        lang = struct.unpack_from("<H", data, p + 6)[0]
        if size or t != 0:
            out[(t, n, lang)] = data[pos + header:pos + header + size]
        pos = (pos + header + size + 3) & ~3
    return out


def modules(paths):
    for path in paths:
        if os.path.isdir(path):
            for name in sorted(os.listdir(path)):
                full = os.path.join(path, name)
                if os.path.isfile(full) and name.lower().endswith((".dll", ".exe", ".ocx", ".drv", ".cpl", ".sys", ".acm")):
                    yield full
        elif os.path.isfile(path):
            yield path


def main(argv):
    cli, windres = argv[1], argv[2]
    rest = argv[3:]
    minimum = {}
    show = 12
    all_exact = False
    paths = []
    while rest:
        arg = rest.pop(0)
        if arg == "--min-exact":
            k, v = rest.pop(0).split("=")
            minimum[k] = int(v)
        elif arg == "--all-exact":
            all_exact = True
        elif arg == "--show":
            show = int(rest.pop(0))
        else:
            paths.append(arg)
    counts = {t: [0, 0, 0, 0] for t in TYPES}  # exact, padding only, differ, missing
    shown = 0
    failures = 0
    found = 0
    with tempfile.TemporaryDirectory() as tmp:
        for module in modules(paths):
            with open(module, "rb") as f:
                original = {k: v for k, v in pe_resources(f.read()).items()
                            if isinstance(k[0], int) and k[0] in TYPES}
            if not original:
                continue
            found += 1
            rc = os.path.join(tmp, "x.rc")
            res = os.path.join(tmp, "x.res")
            with open(rc, "wb") as f:
                subprocess.run([cli, "rc", module], stdout=f, stderr=subprocess.DEVNULL, check=False)
            done = subprocess.run([windres, "--preprocessor=cpp", "-J", "rc", "-O", "res", "-i", rc,
                                   "-o", res], capture_output=True, text=True)
            if done.returncode != 0:
                failures += 1
                print(f"{module}: windres failed: {done.stderr.strip()[:300]}")
                continue
            with open(res, "rb") as f:
                compiled = res_records(f.read())
            for key, data in original.items():
                c = counts[key[0]]
                if key not in compiled:
                    c[3] += 1
                    if shown < show:
                        shown += 1
                        print(f"{os.path.basename(module)} {TYPES[key[0]]} {key[1]!r} {key[2]:#06x}: missing")
                elif compiled[key] == data:
                    c[0] += 1
                elif compiled[key].rstrip(b"\0") == data.rstrip(b"\0"):
                    c[1] += 1  # the compilers pad the data differently
                else:
                    c[2] += 1
                    if shown < show:
                        shown += 1
                        other = compiled[key]
                        at = next((i for i in range(min(len(data), len(other))) if data[i] != other[i]),
                                  min(len(data), len(other)))
                        print(f"{os.path.basename(module)} {TYPES[key[0]]} {key[1]!r} {key[2]:#06x}: "
                              f"{len(data)} vs {len(other)} bytes, first difference at {at}: "
                              f"{data[at:at + 8].hex()} vs {other[at:at + 8].hex()}")
    if not found:
        print("no modules with resources found")
        return 77
    print(f"modules: {found}, windres failures: {failures}")
    status = 1 if failures else 0
    for t, (exact, padding, differ, missing) in counts.items():
        print(f"{TYPES[t]}: {exact} identical, {padding} differ only in trailing zero padding, "
              f"{differ} differ, {missing} missing")
        if exact < minimum.get(TYPES[t], 0) or (all_exact and (padding or differ or missing)):
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
