#!/usr/bin/env bash
# Side by side: how long tarnview-cli and other PE readers take over the same real modules, each
# listing headers, imports and exports, or resources. Prints a Markdown table: for every tool the
# wall time of each round over the whole set, the best round per module, and how many modules it
# handled without an error.
#
#   bench/compare-tools.sh [FOLDER...]
#
# FOLDER defaults to the four folders scripts/fetch-real-modules.sh makes under
# $TARNVIEW_REAL_MODULES, else ~/.cache/tarnview/real-modules. The modules are the files of the
# folders (not of sub-folders) with a module extension; every tool gets the same set, output goes
# to /dev/null, and the files are read once before the first round so that every round finds them
# in the page cache.
#
# Tools, each one process per module unless said otherwise:
#   tarnview-cli headers --full FILE      tarnview-cli resources FILE
#   tarnview-cli scan --mode resources DIR  (one process per folder, settings from a private file
#                                            that lists every extension of the set)
#   objdump -p FILE (binutils)            wrestool --list FILE (icoutils)
#   readpe FILE, peres -l FILE (pev)      pefile (python3-pefile): one Python process for all
#                                         modules, full parse, imports, exports and resources walked
# A tool that is not installed is listed as skipped; the script installs nothing.
#
# Environment: TARNVIEW_CLI (default build/tarnview-cli), ROUNDS (default 3), PYTHON (default:
# the first of python3 and /usr/bin/python3 that imports pefile).
#
# "least CPU" is the smallest processor time (user + system) the tool's processes used in one
# round. "failed" counts modules whose process ended with a status other than 0 (pefile: raised
# an exception; scan: modules missing from its rows); "messages" counts modules for which the
# tool ended with 0 but wrote to standard error (pefile: warnings).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cli=${TARNVIEW_CLI:-$here/build/tarnview-cli}
rounds=${ROUNDS:-3}
cache=${TARNVIEW_REAL_MODULES:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnview/real-modules}

if [ $# -eq 0 ]; then
    set -- "$cache/wine-x86_64" "$cache/wine-i386" "$cache/mingw-x86_64" "$cache/mingw-i686"
fi
for folder in "$@"; do
    [ -d "$folder" ] || { echo "no such folder: $folder (see scripts/fetch-real-modules.sh)" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "build tarnview-cli first: $cli" >&2; exit 1; }
case $rounds in '' | *[!0-9]* | 0) echo "ROUNDS must be a whole number above 0" >&2; exit 1 ;; esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The module set, one path per line, and the extensions it holds (for the scan's settings). Names
# with a line feed cannot be listed this way and are left out, with a note.
extension_pattern='\.(dll|exe|drv|cpl|ocx|sys|acm|ax|tlb|ds|msstyles|com|scr|efi)$'
: >"$work/modules"
for folder in "$@"; do
    while IFS= read -r -d '' path; do
        case $path in *$'\n'*) echo "left out (line feed in name): $path" >&2; continue ;; esac
        name=${path##*/}
        if printf '%s\n' "$name" | grep -qiE "$extension_pattern"; then
            printf '%s\n' "$path" >>"$work/modules"
        fi
    done < <(find "$folder" -mindepth 1 -maxdepth 1 -type f -print0 | sort -z)
done
count=$(wc -l <"$work/modules")
[ "$count" -gt 0 ] || { echo "no modules in: $*" >&2; exit 1; }
bytes=$(tr '\n' '\0' <"$work/modules" | xargs -0 cat | wc -c)

{
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Brisling\\Sablekit\\Tarnview\\ViewSettings]\n'
    printf '"ShowFolders"=dword:00000000\n\n'
    printf '[HKEY_CURRENT_USER\\Software\\Brisling\\Sablekit\\Tarnview\\Extensions]\n'
    sed 's/.*\.//' "$work/modules" | sort -u | sed 's/.*/"&"=""/'
} >"$work/hive.reg"

# Warm the page cache: every file read once before any round.
tr '\n' '\0' <"$work/modules" | xargs -0 cat >/dev/null

now() { echo "$EPOCHREALTIME"; }
# The processor time (user + system) the shell's finished children have used so far, in seconds:
# on a machine that also runs other work it tells a tool's own cost better than the wall time.
# "times" has to run in this shell, not in a command substitution's, to see this shell's children.
children_cpu() {
    times >"$work/times"
    awk 'NR == 2 { split($0, f, /[ ms]+/); print f[1] * 60 + f[2] + f[3] * 60 + f[4] }' "$work/times"
}
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# One round of a per-module tool: function $1 on every module. Sets failed and messages.
per_module_round() {
    failed=0
    messages=0
    while IFS= read -r path; do
        if ! "$1" "$path" >/dev/null 2>"$work/stderr"; then
            failed=$((failed + 1))
        elif [ -s "$work/stderr" ]; then
            messages=$((messages + 1))
        fi
    done <"$work/modules"
}

# One round of the scan: one process per folder, failed = modules of the set it did not list.
scan_round() {
    failed=0
    messages=0
    local listed=0 rows
    for folder in "$@"; do
        if rows=$(TARNVIEW_HIVE="$work/hive.reg" "$cli" scan --mode resources "$folder" 2>"$work/stderr" |
            tail -n +2 | wc -l); then
            listed=$((listed + rows))
        fi
        if [ -s "$work/stderr" ]; then messages=$((messages + 1)); fi
    done
    failed=$((count - listed))
    if [ "$failed" -lt 0 ]; then failed=0; fi
}

cat >"$work/walk.py" <<'EOF'
# Every module of the list fully parsed by pefile, its imports, exports and resource tree walked
# and written out as one line per item, as the other tools print theirs.
import sys

import pefile


def walk_resources(out, directory, depth):
    for entry in directory.entries:
        out.write("%s%s\n" % ("  " * depth, entry.name if entry.name is not None else entry.id))
        if hasattr(entry, "directory"):
            walk_resources(out, entry.directory, depth + 1)
        elif hasattr(entry, "data"):
            out.write("%s%d bytes\n" % ("  " * (depth + 1), entry.data.struct.Size))


failed = warned = 0
out = sys.stdout
for path in open(sys.argv[1], encoding="utf-8", errors="surrogateescape").read().splitlines():
    try:
        pe = pefile.PE(path)
        out.write("%s %x\n" % (path, pe.FILE_HEADER.Machine))
        for library in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
            out.write("%s\n" % library.dll)
            for symbol in library.imports:
                out.write("  %s %s\n" % (symbol.name, symbol.ordinal))
        export = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
        if export is not None:
            for symbol in export.symbols:
                out.write("%s %d %s\n" % (symbol.name, symbol.ordinal, symbol.forwarder))
        resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
        if resources is not None:
            walk_resources(out, resources, 0)
        if pe.get_warnings():
            warned += 1
        pe.close()
    except Exception:  # a module pefile gives up on counts as failed, whatever the cause
        failed += 1
sys.stderr.write("%d %d\n" % (failed, warned))
EOF

python=
for candidate in ${PYTHON:-python3 /usr/bin/python3}; do
    if command -v "$candidate" >/dev/null 2>&1 && "$candidate" -c 'import pefile' 2>/dev/null; then
        python=$candidate
        break
    fi
done

pefile_round() {
    local result
    "$python" "$work/walk.py" "$work/modules" >/dev/null 2>"$work/stderr" || true
    result=$(tail -n 1 "$work/stderr")
    failed=${result%% *}
    messages=${result##* }
    case "$failed$messages" in '' | *[!0-9]*) failed=$count messages=0 ;; esac
}

# The tools, in table order: label, command text, kind (each, scan, pefile), and for "each" the
# function that runs the tool on the module it is given. A tool that is missing gets a reason.
labels=() texts=() kinds=() commands=() missing=()
tool() {
    labels+=("$1") texts+=("$2") kinds+=("$3") commands+=("$4") missing+=("${5:-}")
}
installed() { command -v "$1" >/dev/null 2>&1 || echo "$1 is not installed"; }
cli_headers() { "$cli" headers --full "$1"; }
cli_resources() { "$cli" resources "$1"; }
objdump_p() { objdump -p "$1"; }
wrestool_list() { wrestool --list "$1"; }
readpe_all() { readpe "$1"; }
peres_list() { peres -l "$1"; }
tool "tarnview-cli" "headers --full FILE" each cli_headers
tool "tarnview-cli" "resources FILE" each cli_resources
tool "tarnview-cli" "scan --mode resources DIR" scan ""
tool "objdump (binutils)" "objdump -p FILE" each objdump_p "$(installed objdump)"
tool "wrestool (icoutils)" "wrestool --list FILE" each wrestool_list "$(installed wrestool)"
tool "readpe (pev)" "readpe FILE" each readpe_all "$(installed readpe)"
tool "peres (pev)" "peres -l FILE" each peres_list "$(installed peres)"
tool "pefile (Python)" "one process: PE(path), then walk" pefile "" \
    "$([ -n "$python" ] || echo "python3-pefile is not installed")"

version_of() { "$@" 2>&1 | head -n 1 || true; }
echo "Modules: $count in $# folder(s), $((bytes / 1048576)) MiB; rounds: $rounds; $(nproc) cores."
echo "Load average before: $(cut -d' ' -f1-3 /proc/loadavg)."
echo "tarnview-cli: $cli ($(version_of "$cli" --version))"
for i in "${!labels[@]}"; do
    case ${commands[$i]} in
        objdump_p) [ -n "${missing[$i]}" ] || echo "objdump: $(version_of objdump --version)" ;;
        wrestool_list) [ -n "${missing[$i]}" ] || echo "wrestool: $(version_of wrestool --version)" ;;
        readpe_all) [ -n "${missing[$i]}" ] || echo "pev: $(version_of readpe --version)" ;;
    esac
done
if [ -n "$python" ]; then
    echo "pefile: $("$python" -c 'import pefile, sys; print(pefile.__version__, "with Python", sys.version.split()[0])')"
fi
echo

# Rounds go round the tools in turn, so that whatever else the machine does in the meantime
# falls on all of them alike rather than on one.
times=() best=() best_cpu=() failures=() notes=()
for ((r = 1; r <= rounds; r++)); do
    for i in "${!labels[@]}"; do
        [ -z "${missing[$i]}" ] || continue
        children_cpu >"$work/cpu"
        cpu_start=$(cat "$work/cpu")
        start=$(now)
        case ${kinds[$i]} in
            each) per_module_round "${commands[$i]}" ;;
            scan) scan_round "$@" ;;
            pefile) pefile_round ;;
        esac
        end=$(now)
        children_cpu >"$work/cpu"
        c=$(elapsed "$cpu_start" "$(cat "$work/cpu")")
        t=$(elapsed "$start" "$end")
        if [ -z "${best_cpu[i]:-}" ] || awk -v a="$c" -v b="${best_cpu[i]}" 'BEGIN { exit !(a < b) }'; then
            best_cpu[i]=$c
        fi
        times[i]="${times[i]:+${times[i]}, }$t"
        if [ -z "${best[i]:-}" ] || awk -v a="$t" -v b="${best[i]}" 'BEGIN { exit !(a < b) }'; then
            best[i]=$t
        fi
        # The counts of the first round stand; a later round that differs is worth a note.
        if [ "$r" -eq 1 ]; then
            failures[i]=$failed
            notes[i]=$messages
        elif [ "$failed" != "${failures[i]}" ]; then
            echo "note: ${labels[$i]} ${texts[$i]} failed on $failed modules in round $r, ${failures[i]} in round 1" >&2
        fi
    done
done

echo '| tool | command | wall time per round (s) | best (s) | best per module (ms) | least CPU (s) | handled | failed | messages |'
echo '|---|---|---|---|---|---|---|---|---|'
for i in "${!labels[@]}"; do
    if [ -n "${missing[$i]}" ]; then
        printf '| %s | `%s` | skipped: %s | | | | | | |\n' "${labels[$i]}" "${texts[$i]}" "${missing[$i]}"
        continue
    fi
    per=$(awk -v t="${best[i]}" -v n="$count" 'BEGIN { printf "%.2f", t * 1000 / n }')
    printf '| %s | `%s` | %s | %s | %s | %s | %s | %s | %s |\n' "${labels[$i]}" "${texts[$i]}" \
        "${times[i]}" "${best[i]}" "$per" "${best_cpu[i]}" "$((count - failures[i]))" "${failures[i]}" \
        "${notes[i]}"
done
echo
echo "Load average after: $(cut -d' ' -f1-3 /proc/loadavg)."
