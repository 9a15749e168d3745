#!/bin/sh
# Starts Tarnview under Xvfb on a folder of modules once in each of the six view modes and writes
# one PNG per mode, for a look at what users see, and once on a module of the folder; then the
# main window's situations from the UI tests, the headers window of a PE32 and a PE32+
# module in both displays and the resources window's pages (from the UI tests, when NSIS's and Wine's modules are unpacked under
# /tmp as the README says). Last, with xdotool, the module windows as a user opens and walks
# them: "tarnview --resources" and "--headers" on a module of the folder, driven by keys and
# clicks (start-*.png).
#
#   scripts/screenshots.sh [FOLDER [OUTDIR]]
#
# FOLDER defaults to Wine's Windows modules when they are unpacked under /tmp/winepkg (see
# README); OUTDIR to ./screenshots. Each run uses a settings file of its own, so the user's
# settings are neither used nor changed. Needs xvfb-run and ImageMagick's import.
# TARNVIEW_SCREENSHOT_MODULE names the module for the start-*.png pictures (default: Wine's
# taskmgr.exe in FOLDER, which has bitmaps, icons, menus, dialogs, string tables and a version);
# the bitmap page shows comctl32.dll of FOLDER when it is there.
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
        { ls "$out"/headers-*.png "$out"/resources-*.png "$out"/dialogtest.png "$out"/browser-*.png \
              2>/dev/null || true; }
fi

# The module windows as a user meets them. Keys go to the focused window (no window manager runs,
# so xdotool focuses it itself); the tree's type-ahead finds a resource type by its first letters.
module=${TARNVIEW_SCREENSHOT_MODULE:-$folder/taskmgr.exe}
if command -v xdotool >/dev/null 2>&1 && [ -f "$module" ]; then
    cat >"$work/drive.sh" <<'EOF'
program=$1 module=$2 bitmaps=$3 out=$4 wait=$5
window() {  # the visible window whose title starts with $1, once it is there
    i=0
    while [ $i -lt 50 ]; do
        w=$(xdotool search --onlyvisible --name "^$1" 2>/dev/null | tail -n 1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.2
        i=$((i + 1))
    done
    echo "no window \"$1\"" >&2
    return 1
}
start() {  # the program with the arguments after $1, and its window, whose title starts with $1
    title=$1
    shift
    "$program" "$@" & pid=$!
    sleep "$wait"
    w=$(window "$title") || { kill "$pid"; return 1; }
    xdotool windowfocus --sync "$w" 2>/dev/null
    sleep 0.5
}
stop() { kill "$pid"; wait "$pid" 2>/dev/null || true; }  # its status is the kill's
shot() { sleep 1; import -window "$1" "$out/start-$2.png" && echo "$out/start-$2.png"; }
keys() { xdotool key --delay 100 "$@"; sleep 0.7; }
find_item() { xdotool type --delay 30 "$1"; sleep 0.8; }

# The resources window: statistics first, then one item of each kind of page.
if start Modulressourcen --resources "$module"; then
    shot "$w" resources-statistics
    find_item Ve; keys Right Down; shot "$w" resources-version
    find_item Str; shot "$w" resources-strings
    find_item Sy; keys Right Down Down Down Down Down Down Down Down Down; shot "$w" resources-icon
    find_item Men; keys Right Down; shot "$w" resources-raw
    xdotool mousemove --window "$w" 292 22 click 1  # "Als Text", beside "Save as..."
    sleep 1
    shot "$w" resources-raw-text
    xdotool mousemove --window "$w" 292 22 click 1
    sleep 1
    find_item Di; keys Right Down Down Down Down Down; shot "$w" resources-dialog
    # "Testdialog", the second button of the page's toolbar below the picture.
    height=$(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: [0-9]*x//p')
    xdotool mousemove --window "$w" 292 $((height - 51)) click 1
    sleep 2
    if d=$(window Dialogtest); then shot "$d" testdialog; keys Escape; fi
    stop
fi
if [ -f "$bitmaps" ] && start Modulressourcen --resources "$bitmaps"; then
    find_item Bi; keys Right Down Down; shot "$w" resources-bitmap
    stop
fi

# The headers window: the summary, the imported libraries, the sections, the full display.
if start Modulköpfe --headers "$module"; then
    shot "$w" headers-summary
    find_item Imp; keys Right Down; shot "$w" headers-imports
    find_item Abs; keys Right Down; shot "$w" headers-sections
    xdotool mousemove --window "$w" 22 22 click 1  # "Vollständige Anzeige"
    sleep 1
    find_item IMAGE_NT; keys Right Down Down Right; shot "$w" headers-full
    stop
fi

# The properties window of the module, from its row in the list (F6, then Enter).
if start "$(basename "$(dirname "$module")")" "$module"; then
    keys F6 Return
    if p=$(window "Eigenschaften von"); then shot "$p" properties; fi
    stop
fi
EOF
    hive="$work/start.reg"
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Brisling\\Sablekit\\Tarnview\\ViewSettings]\n"RightViewStyle"=dword:%08x\n' 59411 >"$hive"
    TARNVIEW_HIVE="$hive" xvfb-run -a -s "-screen 0 1024x768x24" \
        sh "$work/drive.sh" "$program" "$module" "$folder/comctl32.dll" "$out" "$wait_seconds"
fi
