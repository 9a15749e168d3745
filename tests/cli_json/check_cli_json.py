#!/usr/bin/env python3
"""Checks tarnview-cli's --json documents against their schema (docs/cli-json.md) and against the
text form of the same command: one UTF-8 document on standard output, nothing on standard error,
the documented keys with their types, and the same facts the text shows.

usage: check_cli_json.py GROUP CLI FIXTURE DAMAGED JSON_FIXTURE
GROUP is one of the functions named check_* below (headers, resources, ...)."""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

CLI = FIXTURE = DAMAGED = JSONMOD = ""
FFFD = "\ufffd"


class Failure(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Failure(message)


def run(*args, env=None):
    done = subprocess.run([CLI, *args], capture_output=True, env=env, timeout=120)
    return done.returncode, done.stdout, done.stderr


def text(*args, env=None):
    code, out, err = run(*args, env=env)
    expect(code == 0, f"{args}: exit {code}: {err!r}")
    return out.decode("utf-8"), err.decode("utf-8")


def document(*args, env=None):
    """Runs a command with --json: exit 0, an empty standard error, and exactly one document of
    valid UTF-8 (json.loads refuses anything after the first value)."""
    code, out, err = run(*args, "--json", env=env)
    expect(code == 0, f"{args} --json: exit {code}: {err!r}")
    expect(err == b"", f"{args} --json wrote to standard error: {err!r}")
    try:
        doc = json.loads(out.decode("utf-8", errors="strict"))
    except (UnicodeDecodeError, json.JSONDecodeError) as e:
        raise Failure(f"{args} --json: not one UTF-8 JSON document: {e}")
    expect(isinstance(doc, dict), f"{args}: the document is not an object")
    expect(doc.get("schema_version") == 1, f"{args}: schema_version")
    expect(doc.get("command") == args[0], f"{args}: command is {doc.get('command')!r}")
    conforms(doc["notes"], [NOTE], f"{args[0]}.notes")
    return doc


# ---- a small schema checker: a type, a tuple of types, {key: shape} or [item shape] ----
NULL = type(None)
INT = int  # bool is an int in Python; the checker refuses it where a number is meant


def conforms(value, shape, where):
    if isinstance(shape, dict):
        expect(isinstance(value, dict), f"{where}: not an object")
        for key, inner in shape.items():
            expect(key in value, f"{where}: key {key!r} missing")
            conforms(value[key], inner, f"{where}.{key}")
    elif isinstance(shape, list):
        expect(isinstance(value, list), f"{where}: not an array")
        for i, item in enumerate(value):
            conforms(item, shape[0], f"{where}[{i}]")
    else:
        types = shape if isinstance(shape, tuple) else (shape,)
        number = INT in types and bool not in types
        expect(isinstance(value, types) and not (number and isinstance(value, bool)),
               f"{where}: {value!r} is not {shape}")


NOTE = {"kind": str, "text": str, "where": (str, NULL), "values": [INT]}
RESOURCE_ID = dict  # {"id": n} or {"name": s}, checked by resource_id()
VALUE_TEXT = {"value": INT, "text": str}
NAMED = {"value": INT, "name": str}
NODE = {"kind": str, "text": str, "children": list}
EXPORT = {"ordinal": INT, "address": INT, "name": (str, NULL), "names": [str],
          "forwarder": (str, NULL)}
IMPORT = {"name": str, "module": (str, NULL)}
HEADERS = {"file": str, "display": str, "module": str, "dos_magic": INT, "signature": VALUE_TEXT,
           "machine": NAMED, "subsystem": NAMED, "characteristics": {"value": INT, "flags": [str]},
           "exports": [EXPORT], "imports": [IMPORT], "tree": [NODE]}
LABELLED = {"label": str, "text": str}
TRANSLATION = {"index": INT, "language": {"label": str, "text": str, "id": INT,
                                          "code_page": INT, "name": str}, "strings": dict}
VERSION = {"fixed": dict, "translations": [TRANSLATION]}
FIXED_KEYS = ["file_version", "product_version", "file_flags_mask", "file_flags", "file_os",
              "file_type", "file_subtype", "file_date"]
STRING_KEYS = ["product_name", "product_version", "internal_name", "original_filename",
               "file_description", "file_version", "comments", "company_name", "legal_copyright",
               "legal_trademarks", "private_build", "special_build"]


def resource_id(value, where):
    expect(value in ({"id": value.get("id")}, {"name": value.get("name")}), f"{where}: {value}")
    conforms(value, {"id": INT} if "id" in value else {"name": str}, where)


def walk(nodes, depth=0):
    """The tree as the text form indents it, and every node with its depth."""
    for node in nodes:
        conforms(node, NODE, "tree node")
        yield depth, node
        yield from walk(node["children"], depth + 1)


def rendered(nodes):
    return "".join("  " * depth + node["text"] + "\n" for depth, node in walk(nodes))


# Where this run's mapping of the file lies: it differs between two runs.
MAPPING = re.compile(r"^( +(?:MappedAddress|FileHeader|LastRvaSection|Sections) = )0x[0-9a-f]+$",
                     re.M)


def unmapped(text):
    return MAPPING.sub(r"\1ADDRESS", text)


def note_texts_on_stderr(err):
    return [line for line in err.split("\n") if line]


# ---- the groups -------------------------------------------------------------------------------

def check_headers():
    for module in (FIXTURE, DAMAGED, JSONMOD):
        for full in ([], ["--full"]):
            out, err = text("headers", module, *full)
            doc = document("headers", module, *full)
            conforms(doc, HEADERS, "headers")
            expect(doc["display"] == ("full" if full else "summary"), "display")
            expect(("headers" in doc) == bool(full), "headers block only with --full")
            expect(unmapped(rendered(doc["tree"])) == unmapped(out),
                   f"{module} {full}: tree differs from the text")
            if full:
                # The document's own lines and its numbers name the same mapping.
                loaded = doc["headers"]["LOADED_IMAGE"]
                shown = re.findall(r"^ +(\w+) = (0x[0-9a-f]+)$", rendered(doc["tree"]), re.M)
                mapped = [(k, v) for k, v in shown if k in ("MappedAddress", "Sections")]
                expect(len(mapped) == 2, "LOADED_IMAGE lines")
                for key, value in mapped:
                    expect(loaded[key] == int(value, 16), f"LOADED_IMAGE.{key}")
            kinds = {node["kind"] for _, node in walk(doc["tree"])}
            expect(kinds <= {"group", "value", "note", "module"}, f"kinds {kinds}")
            expect(doc["tree"][0]["kind"] == "module", "the root is a module line")
            exports = [l for l in out.split("\n") if re.match(r"^ +\d{4,} - \[0x", l)]
            expect(len(doc["exports"]) == len(exports), f"{module}: export count")
            libraries = [n for _, n in walk(doc["tree"]) if n["kind"] == "module"][1:]
            expect(len(doc["imports"]) == len(libraries), f"{module}: import count")
            expect([n["text"] for n in doc["notes"]] == note_texts_on_stderr(err),
                   f"{module}: notes differ from standard error of the text form")

    doc = document("headers", DAMAGED)
    expect("functions_cut" in [n["kind"] for n in doc["notes"]], "damaged: functions_cut")
    cut = next(n for n in doc["notes"] if n["kind"] == "functions_cut")
    expect(cut["values"][1] == 4294967295 and cut["where"] is None, f"functions_cut {cut}")

    doc = document("headers", JSONMOD)
    expect(doc["machine"] == {"value": 0x8664, "name": "IMAGE_FILE_MACHINE_AMD64"}, "machine")
    expect("IMAGE_FILE_DLL" in doc["characteristics"]["flags"], "DLL flag")
    by = {e["ordinal"]: e for e in doc["exports"]}
    expect(by[1]["name"] == "Alpha" and by[1]["names"] == ["Alpha"], "named export")
    expect(by[2]["name"] is None and by[2]["names"] == [], "export by ordinal only")
    expect(by[3]["name"] == "Café", "an 8-bit name is read as Windows-1252, as the text shows it")
    expect(by[4]["forwarder"] == "NTDLL.RtlOther" and by[4]["name"] == "Fwd", "forwarder")
    expect(by[1]["forwarder"] is None and by[1]["address"] == 0x1000, "plain export")
    kernel, odd = doc["imports"]
    expect(kernel == {"name": "KERNEL32.dll", "module": "KERNEL32.dll"}, f"import {kernel}")
    # The shown name is cleaned by the report; the raw bytes go through the encoder's rule.
    expect(odd["name"] == "libÿ" + FFFD + ".dll", f"shown library name {odd['name']!r}")
    expect(odd["module"] == "lib" + FFFD + "\x01.dll", f"raw library name {odd['module']!r}")

    full = document("headers", JSONMOD, "--full")
    nt = full["headers"]["IMAGE_NT_HEADERS"]
    optional = nt["OptionalHeader"]
    expect(optional["layout"] == "IMAGE_OPTIONAL_HEADER64" and "BaseOfData" not in optional,
           "PE32+ has no BaseOfData")
    expect(optional["ImageBase"] == 0x140000000, "64-bit ImageBase as a number")
    expect(nt["FileHeader"]["TimeDateStamp"]["value"] == 0x5F000000, "TimeDateStamp")
    expect(nt["Signature"]["value"] == 0x4550, "Signature")
    directory = nt["DataDirectory"]["export"]["IMAGE_EXPORT_DIRECTORY"]
    expect(directory["Name"]["text"] == "json.dll" and directory["NumberOfFunctions"] == 4,
           f"export directory {directory}")
    conforms(full["imports"], [{"OriginalFirstThunk": INT, "FirstThunk": INT,
                                "ForwarderChain": INT, "TimeDateStamp": VALUE_TEXT}], "imports")
    pe32 = document("headers", FIXTURE, "--full")["headers"]["IMAGE_NT_HEADERS"]
    expect("BaseOfData" in pe32["OptionalHeader"], "PE32 has BaseOfData")
    dos = full["headers"]["IMAGE_DOS_HEADER"]
    expect(dos["e_magic"] == 0x5A4D and len(dos["e_res2"]) == 10, "DOS header")


def check_resources():
    for module in (FIXTURE, DAMAGED, JSONMOD):
        out, err = text("resources", module)
        doc = document("resources", module)
        conforms(doc, {"file": str, "module": str, "resource_count": INT, "type_count": INT,
                       "tree": [NODE]}, "resources")
        expect(rendered(doc["tree"]) == out, f"{module}: tree differs from the text")
        expect([n["text"] for n in doc["notes"]] == note_texts_on_stderr(err), "notes")
        root, = doc["tree"]
        expect(root["kind"] == "module" and root["module"] == module, "root")
        types = root["children"]
        expect(len(types) == doc["type_count"], "type count")
        leaves = [r for t in types for r in t["children"]]
        expect(len(leaves) == doc["resource_count"] == out.count("\n    "), "resource count")
        for t in types:
            expect(t["kind"] == "resource_type", "type node")
            resource_id(t["type"], "type")
            for r in t["children"]:
                expect(r["kind"] == "resource" and r["type"] == t["type"], "resource node")
                resource_id(r["name"], "name")

    doc = document("resources", FIXTURE)
    dialogs = next(t for t in doc["tree"][0]["children"] if t["type"] == {"id": 5})
    expect(dialogs["children"][0]["name"] == {"name": "ABOUT"}, "named dialog")
    data = next(t for t in doc["tree"][0]["children"] if t["type"] == {"name": "DATA"})
    expect(data["children"][0]["name"] == {"name": "BLOB"}, "named type")
    doc = document("resources", DAMAGED)
    expect([n["kind"] for n in doc["notes"]] == ["data_outside_file"], "damaged resource note")
    expect(doc["notes"][0]["values"] == [0x7FFFFF00, 3, 0], "note values")
    doc = document("resources", JSONMOD)
    mine = next(t for t in doc["tree"][0]["children"] if t["type"] == {"name": "MYTYPE"})
    names = [r["name"]["name"] for r in mine["children"]]
    expect(sorted(names) == sorted(["Ωmega", "bad" + FFFD]), f"names {names}")


def check_info():
    for module in (FIXTURE, DAMAGED):
        out, _ = text("info", module)
        doc = document("info", module)
        conforms(doc, {"file": str, "scope": str, "module": str, "size_on_disk": VALUE_TEXT,
                       "resource_count": INT, "type_count": INT,
                       "rows": [{"label": str, "value": str, "kind": str}]}, "info")
        expect(doc["scope"] == "module", "scope")
        lines = out.rstrip("\n").split("\n")
        expect([f"{r['label']}\t{r['value']}" for r in doc["rows"]] +
               [f"Hinweis\t{n['text']}" for n in doc["notes"]] == lines, f"{module}: rows")
        values = dict(line.split("\t", 1) for line in lines[:4])
        expect(values["Anzahl Ressourcen"] == str(doc["resource_count"]), "resource count")
        expect(values["Ressourcetypen"] == str(doc["type_count"]), "type count")
        expect(values["Größe auf Datenträger"] == doc["size_on_disk"]["text"], "size text")
    expect(document("info", DAMAGED)["notes"][0]["kind"] == "data_outside_file", "info notes")

    doc = document("info", FIXTURE, "RT_STRING")
    expect(doc["scope"] == "type" and doc["type"] == {"id": 6}, "type scope")
    expect(doc["type_symbol"] == "RT_STRING" and doc["resource_count"] == 1, "type facts")
    doc = document("info", FIXTURE, "DATA")
    expect(doc["type"] == {"name": "DATA"} and doc["size_on_disk"]["value"] == 6, "named type")
    out, _ = text("info", FIXTURE, "16")
    doc = document("info", FIXTURE, "16")
    expect(doc["scope"] == "version" and "resource_count" not in doc, "version scope")
    conforms(doc["version"], VERSION, "info.version")
    expect([f"{r['label']}\t{r['value']}" for r in doc["rows"]] == out.rstrip("\n").split("\n"),
           "version rows")
    expect(doc["version"]["fixed"]["file_version"]["value"] == [1, 2, 3, 4], "file version")


def version_lines(doc):
    v = doc
    lines = [f"{v['fixed'][k]['label']}\t{v['fixed'][k]['text']}" for k in FIXED_KEYS]
    for t in v["translations"]:
        lines.append(f"{t['language']['label']}\t{t['language']['text']}")
        lines += [f"{t['strings'][k]['label']}\t{t['strings'][k]['text']}" for k in STRING_KEYS]
    return lines


def check_version():
    for args in ([FIXTURE], [JSONMOD], [JSONMOD, "--translation", "1"], [""]):
        out, _ = text("version", *args)
        doc = document("version", *args)
        conforms(doc, dict(VERSION, file=str, module=str), "version")
        expect(list(doc["fixed"]) == FIXED_KEYS, "fixed keys")
        for t in doc["translations"]:
            expect(list(t["strings"]) == STRING_KEYS, "string keys")
            conforms(t["strings"], {k: LABELLED for k in STRING_KEYS}, "strings")
        expect(version_lines(doc) == out.rstrip("\n").split("\n"), f"{args}: differs from text")

    doc = document("version", JSONMOD)
    fixed = doc["fixed"]
    expect(fixed["file_version"]["value"] == [1, 2, 3, 4], "file version value")
    expect(fixed["product_version"] == {"label": fixed["product_version"]["label"],
                                        "text": "v5.6.7.8", "value": [5, 6, 7, 8]}, "product")
    expect(fixed["file_date"]["value"] is None, "no file date")
    conforms(fixed["file_os"], {"value": INT}, "file_os")
    first, second = doc["translations"]
    expect(first["language"]["id"] == 0x409 and first["language"]["code_page"] == 1200, "lang")
    expect(second["index"] == 1 and second["language"]["code_page"] == 1252, "second language")
    expect(first["strings"]["company_name"]["text"] == 'Tarnview "Test"', "quoted text")
    expect(second["strings"]["file_description"]["text"] == "JSON-Testmodul", "second strings")
    only = document("version", JSONMOD, "--translation", "1")["translations"]
    expect(len(only) == 1 and only[0]["index"] == 1, "--translation")


def check_strings():
    for args in ([FIXTURE], [FIXTURE, "--hex"], [JSONMOD], [JSONMOD, "--block", "1"]):
        out, _ = text("strings", *args)
        doc = document("strings", *args)
        conforms(doc, {"file": str, "module": str, "block": (dict, NULL), "hex": bool,
                       "count": INT, "strings": [{"id": INT, "id_text": str, "block": INT,
                                                  "text": str, "display": str}]}, "strings")
        lines = out.split("\n")[:-1]
        expect(doc["count"] == len(doc["strings"]) == len(lines), f"{args}: count")
        expect([f"{s['id_text']}\t{s['display']}" for s in doc["strings"]] == lines,
               f"{args}: rows differ from the text")
    doc = document("strings", JSONMOD)
    texts = [s["text"] for s in doc["strings"]]
    expect(texts == ['Quote " and \\', "Tab\tand\nline", "Euro €"], f"raw texts {texts}")
    expect(doc["strings"][1]["display"] == "Tab\\tand\\nline", "display escapes")
    expect(document("strings", JSONMOD, "--block", "1")["block"] == {"id": 1}, "block")
    expect(document("strings", FIXTURE, "--hex")["strings"][1]["id_text"] == "0x0002", "hex")


def check_scan():
    folder = tempfile.mkdtemp()
    try:
        shutil.copy(FIXTURE, os.path.join(folder, "fixture.dll"))
        shutil.copy(JSONMOD, os.path.join(folder.encode(), b"bad\xff\xfe.dll"))
        os.mkdir(os.path.join(folder, "sub"))
        env = dict(os.environ, TARNVIEW_HIVE=os.path.join(folder, "hive.reg"))
        for mode in ("details", "version", "resources"):
            out, _ = text("scan", "--mode", mode, folder, env=env)
            doc = document("scan", "--mode", mode, folder, env=env)
            conforms(doc, {"folder": str, "mode": str, "complete": bool, "columns": [str],
                           "rows": [{"name": str, "path": str, "folder": bool, "cells": [str]}]},
                     "scan")
            expect(doc["mode"] == mode and doc["complete"] is True, "mode")
            lines = out.split("\n")[:-1]
            expect("\t".join(doc["columns"]) == lines[0], "columns")
            expect(["\t".join(r["cells"]) for r in doc["rows"]] == lines[1:], f"{mode}: rows")
            rows = {r["cells"][0]: r for r in doc["rows"]}
            bad = next(r for r in doc["rows"] if r["name"].startswith("bad"))
            expect(bad["path"].endswith("/bad" + FFFD + FFFD + ".dll"), f"path {bad['path']!r}")
            fixture = rows["fixture.dll"]
            if mode == "details":
                conforms(fixture, {"type": str, "attributes": str, "size": INT, "created": INT,
                                   "modified": INT, "accessed": INT}, "details row")
                copy = os.path.join(folder, "fixture.dll")
                expect(fixture["size"] == os.path.getsize(copy), "size")
                expect(int(os.path.getmtime(copy)) == fixture["modified"], "modified")
                sub = rows.get("sub")
                if sub is not None:
                    expect(sub["folder"] and sub["size"] is None, "a folder has no size")
            elif mode == "version":
                expect(fixture["file_description"] == "Fixture module", "description")
                expect(bad["file_description"] == "JSON fixture", "second module")
            else:
                counts = fixture["counts"]
                expect(counts == {"bitmaps": 1, "dialogs": 1, "cursors": 1, "icons": 2,
                                  "menus": 1, "strings": 1, "versions": 1, "other": 3,
                                  "total": 11}, f"counts {counts}")
                expect(bad["counts"]["other"] == 2 and bad["counts"]["total"] == 4, "counts")
    finally:
        shutil.rmtree(folder)


def check_errors():
    missing = os.path.join(os.path.dirname(FIXTURE), "no-such-module.dll")
    cases = [
        (["headers", missing], 1), (["headers", "--full", missing], 1),
        (["resources", __file__], 1), (["info", FIXTURE, "99"], 1),
        (["version", missing], 1), (["version", FIXTURE, "--translation", "5"], 1),
        (["strings", FIXTURE, "--block", "77"], 1), (["scan", missing], 1),
        (["headers"], 2), (["info", FIXTURE, "1", "2"], 2), (["strings", "--json", FIXTURE], 2),
    ]
    for args, status in cases:
        code, out, err = run(*args, "--json")
        expect(code == status, f"{args} --json: exit {code}, not {status}")
        expect(out == b"", f"{args} --json: standard output not empty: {out[:80]!r}")
        expect(err.startswith(b"tarnview-cli: ") or err.startswith(b"Usage: "),
               f"{args} --json: no message on standard error: {err!r}")

    # A document that cannot be written whole is a failure, not a success with a cut output;
    # the same holds for the text form.
    if os.path.exists("/dev/full"):
        for args in (["headers", FIXTURE, "--json"], ["version", "--json", FIXTURE], ["strings", FIXTURE]):
            with open("/dev/full", "wb") as full:
                done = subprocess.run([CLI, *args], stdout=full, stderr=subprocess.PIPE,
                                      timeout=120)
            expect(done.returncode == 1 and b"Ausgabe" in done.stderr,
                   f"{args} > /dev/full: exit {done.returncode}, {done.stderr!r}")


def main():
    global CLI, FIXTURE, DAMAGED, JSONMOD
    group = sys.argv[1]
    CLI, FIXTURE, DAMAGED, JSONMOD = sys.argv[2:6]
    try:
        globals()["check_" + group]()
    except Failure as failure:
        print(f"FAIL ({group}): {failure}")
        return 1
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
