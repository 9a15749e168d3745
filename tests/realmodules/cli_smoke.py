#!/usr/bin/env python3
"""Runs every tarnview-cli command over one folder of real Windows modules.

    cli_smoke.py TARNVIEW_CLI KIND SCRATCH [--only NAME] [--per-type N]

KIND is a folder of the real-module cache (scripts/fetch-real-modules.sh). Per module: headers and
headers --full, resources, info, info TYPE for each type the tree lists, version, strings,
export-strings, dialog and dialog --preview for every dialog, menu for every menu, and dump and
save of the first few resources of each type; once per folder scan in each mode. Exit status 0 or
1 with a message on standard error is an answer (real modules can be damaged or lack what is
asked for); a signal, a sanitizer report, any other status, a failure without a message, output
that is not UTF-8, or a save that reports success without writing its file fail the module.
Exit status 77 (skipped) when the cache has no such folder.
"""

import os
import shutil
import subprocess
import sys
import time

SKIP = 77
# A command that runs this long hangs.
COMMAND_TIMEOUT_S = 300

# The resources tree's German type names and the type numbers they stand for.
TYPE_NUMBERS = {
    "Accelerator": 9,
    "Bitmap": 2,
    "Dialoge": 5,
    "Zeiger": 1,
    "Symbol": 3,
    "Menüs": 4,
    "Stringtabellen": 6,
    "Version": 16,
    "Gruppensymbole": 14,
    "Gruppenzeiger": 12,
    "Animierter Zeiger": 21,
    "Animiertes Symbol": 22,
    "Zeichensatz": 8,
    "Zeichensatz Verzeichnis": 7,
    "HTML Dokument": 23,
    "Nachrichtentabelle": 11,
    "Rohdaten": 10,
    "Werkzeugleiste": 241,
}
UNKNOWN_PREFIX = "<Unbekannt> ("

# What save writes for a type: pictures as .bmp, groups as icon and cursor files, else raw bytes.
SAVE_EXTENSION = {1: ".bmp", 2: ".bmp", 3: ".bmp", 12: ".cur", 14: ".ico"}


def cache_folder():
    if os.environ.get("TARNVIEW_REAL_MODULES"):
        return os.environ["TARNVIEW_REAL_MODULES"]
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "tarnview", "real-modules")


def sanitizer_environment():
    env = dict(os.environ)
    # A sanitizer report exits with a status of its own, not the 1 of an ordinary refusal.
    for name, code in (("ASAN_OPTIONS", 86), ("UBSAN_OPTIONS", 87)):
        options = env.get(name, "")
        if "exitcode=" not in options:
            env[name] = (options + ":" if options else "") + "exitcode=%d" % code
    return env


class Runner:
    def __init__(self, cli, env):
        self.cli = cli
        self.env = env
        self.runs = 0

    def run(self, args, failures):
        """Runs the tool; returns its standard output as text, or None when it refused or failed."""
        self.runs += 1
        shown = "tarnview-cli " + " ".join(args)
        try:
            done = subprocess.run([self.cli] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  env=self.env, timeout=COMMAND_TIMEOUT_S)
        except subprocess.TimeoutExpired:
            failures.append("%s: no answer after %d s" % (shown, COMMAND_TIMEOUT_S))
            return None
        problems = []
        if done.returncode < 0:
            problems.append("killed by signal %d" % -done.returncode)
        elif done.returncode not in (0, 1):
            problems.append("exit status %d" % done.returncode)
        err = done.stderr.decode("utf-8", "replace")
        if "Sanitizer" in err or "runtime error:" in err:
            problems.append("sanitizer report")
        if done.returncode == 1 and not err.strip():
            problems.append("exit status 1 without a message")
        for stream, data in (("standard output", done.stdout), ("standard error", done.stderr)):
            try:
                data.decode("utf-8")
            except UnicodeDecodeError as e:
                problems.append("%s is not UTF-8 at byte %d" % (stream, e.start))
        if problems:
            excerpt = "\n".join(err.splitlines()[:30])
            failures.append("%s: %s%s" % (shown, ", ".join(problems),
                                          ("\n" + excerpt) if excerpt else ""))
            return None
        if done.returncode != 0:
            return None
        return done.stdout.decode("utf-8")


def parse_tree(text):
    """The resources tree: [(type argument, type number or None, [name texts])] in tree order."""
    types = []
    for line in text.split("\n"):
        if line.startswith("    "):
            if types and line[4:] not in types[-1][2]:
                types[-1][2].append(line[4:])
        elif line.startswith("  "):
            shown = line[2:]
            if shown in TYPE_NUMBERS:
                number = TYPE_NUMBERS[shown]
                types.append((str(number), number, []))
            elif shown.startswith(UNKNOWN_PREFIX) and shown.endswith(")"):
                number = int(shown[len(UNKNOWN_PREFIX):-1])
                types.append((str(number), number, []))
            else:
                types.append((shown, None, []))
    return types


def walk_module(runner, path, scratch, per_type):
    failures = []
    run = lambda *args: runner.run(list(args), failures)
    run("headers", path)
    run("headers", "--full", path)
    run("info", path)
    run("version", path)
    run("strings", path)
    tree = run("resources", path)
    if tree is None:
        return failures
    types = parse_tree(tree)
    for type_arg, number, names in types:
        run("info", path, type_arg)
        if number == 6:
            out = os.path.join(scratch, "strings.rc")
            if run("export-strings", path, out) is not None and not os.path.isfile(out):
                failures.append("export-strings %s: success without %s" % (path, out))
        # Names the command line cannot spell (the number 0) are left to the window's walk.
        names = [n for n in names if n != "0"]
        for name in names:
            if number == 5:
                run("dialog", path, name)
                run("dialog", "--preview", path, name)
            elif number == 4:
                run("menu", path, name)
        for index, name in enumerate(names[:per_type]):
            run("dump", path, type_arg, name)
            out = os.path.join(scratch, "saved%d%s" % (index, SAVE_EXTENSION.get(number, ".bin")))
            if run("save", path, type_arg, name, out) is not None:
                if not os.path.isfile(out):
                    failures.append("save %s %s %s: success without %s" % (path, type_arg, name,
                                                                         out))
                elif out.endswith(".bmp") and open(out, "rb").read(2) != b"BM":
                    failures.append("save %s %s %s: %s is no bitmap file" % (path, type_arg,
                                                                           name, out))
            if os.path.exists(out):
                os.remove(out)
    return failures


def main(argv):
    args = argv[1:]
    only = None
    per_type = 3
    if "--only" in args:
        at = args.index("--only")
        only = args[at + 1]
        del args[at:at + 2]
    if "--per-type" in args:
        at = args.index("--per-type")
        per_type = int(args[at + 1])
        del args[at:at + 2]
    if len(args) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    cli, kind, scratch = args
    folder = os.path.join(cache_folder(), kind)
    modules = sorted(n for n in (os.listdir(folder) if os.path.isdir(folder) else [])
                     if os.path.isfile(os.path.join(folder, n)) and (only is None or n == only))
    if not modules:
        print("skipped: no real modules in %s; fetch them with scripts/fetch-real-modules.sh "
              "[CACHE] and point TARNVIEW_REAL_MODULES at CACHE (default "
              "~/.cache/tarnview/real-modules)" % folder)
        return SKIP

    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    env = sanitizer_environment()
    env["TARNVIEW_HIVE"] = os.path.join(scratch, "hive.reg")
    runner = Runner(cli, env)
    failed = 0
    slowest = ("", -1.0)
    started = time.monotonic()
    for name in modules:
        path = os.path.join(folder, name)
        runs_before = runner.runs
        begin = time.monotonic()
        failures = walk_module(runner, path, scratch, per_type)
        seconds = time.monotonic() - begin
        if seconds > slowest[1]:
            slowest = (name, seconds)
        print("%-40s %8.2f s %4d runs%s" % (name, seconds, runner.runs - runs_before,
                                            "  FAILED" if failures else ""))
        for failure in failures:
            print("    " + failure.replace("\n", "\n      "))
        if failures:
            failed += 1
        sys.stdout.flush()

    folder_failures = []
    if only is None:
        for mode in ("details", "version", "resources"):
            if runner.run(["scan", "--mode", mode, folder], folder_failures) is None:
                folder_failures.append("scan --mode %s %s does not list the folder" % (mode, folder))
    for failure in folder_failures:
        print("FAILED " + failure.replace("\n", "\n      "))

    print("realmodules cli %s: %d modules (%d failed), %d runs in %.0f s, slowest %s %.2f s"
          % (kind, len(modules), failed, runner.runs, time.monotonic() - started, slowest[0],
             slowest[1]))
    shutil.rmtree(scratch, ignore_errors=True)
    return 0 if failed == 0 and not folder_failures else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
