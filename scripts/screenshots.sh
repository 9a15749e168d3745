#!/bin/sh
# Starts Tarnview under Xvfb on a folder of modules once in each of the six view modes and writes
# one PNG per mode, for a look at what users see, and once on a module of the folder; then the
# main window's situations from the UI tests, the headers window of a PE32 and a PE32+
# module in both displays and the resources window's pages (from the UI tests, when NSIS's and Wine's modules are unpacked under
# /tmp as the README says).
#
#   scripts/screenshots.sh [FOLDER [OUTDIR]]
#
# FOLDER defaults to Wine's Windows modules when they are unpacked under /tmp/winepkg (see
# README); OUTDIR to ./screenshots. Each run uses a settings file of its own, so the user's
# settings are neither used nor changed. Needs xvfb-run and ImageMagick's import.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-/tmp/winepkg/root/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
out=${2:-screenshots}
program=${TARNVIEW:-$here/build/tarnview}
wait_seconds=${TARNVIEW_SCREENSHOT_WAIT:-6}

[ -d "$folder" ] || { echo "no such folder: $folder" >&2; exit 1; }
[ -x "$program" ] || { echo "build the program first: $program" >&2; exit 1; }
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for entry in 59409:large-icons 59408:small-icons 59410:list 59411:details \
             32771:version-details 32772:resource-details; do
    mode=${entry%%:*}
    name=${entry#*:}
    hive="$work/$name.reg"
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Brisling\\Sablekit\\Tarnview\\ViewSettings]\n"RightViewStyle"=dword:%08x\n' "$mode" >"$hive"
    TARNVIEW_HIVE="$hive" xvfb-run -a -s "-screen 0 1024x700x24" sh -c '
        "$1" "$2" & pid=$!
        sleep "$3"
        import -window root "$4"
        kill "$pid"' sh "$program" "$folder" "$wait_seconds" "$out/$name.png"
    echo "$out/$name.png"
done

# Started as a file manager's "Open with" starts it: a module's path, selected in its folder.
module=$(ls "$folder"/*.dll 2>/dev/null | head -n 1)
if [ -n "$module" ]; then
    hive="$work/start-file.reg"
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Brisling\\Sablekit\\Tarnview\\ViewSettings]\n"RightViewStyle"=dword:%08x\n' 59411 >"$hive"
    TARNVIEW_HIVE="$hive" xvfb-run -a -s "-screen 0 1024x700x24" sh -c '
        "$1" "$2" & pid=$!
        sleep "$3"
        import -window root "$4"
        kill "$pid"' sh "$program" "$module" "$wait_seconds" "$out/start-file.png"
    echo "$out/start-file.png"
fi

tests=$here/build/tests/tarnview_ui_tests
if [ -x "$tests" ]; then
    TARNVIEW_SCREENSHOT_DIR=$(cd "$out" && pwd) QT_QPA_PLATFORM=offscreen \
        "$tests" --gtest_filter='ModuleHeadersDlgReal.*:ResourcesDlgReal.*:DialogPreviewTest.Dialogtest*:MainWindowScreens.*' >/dev/null &&
        ls "$out"/headers-*.png "$out"/resources-*.png "$out"/dialogtest.png "$out"/browser-*.png
fi
