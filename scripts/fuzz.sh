#!/bin/sh
# Runs every libFuzzer target (ASan and UBSan) for SECONDS each, one after the other, and says
# per target how many inputs it ran and what it found. Each target starts from its seeds in
# fuzz/corpus/<target>/ and, when TARNVIEW_FUZZ_REAL names a folder of real modules, the module
# readers start from those too; TARNVIEW_FUZZ_SEEDS=DIR adds DIR/<target>/ for any target (for
# example resources saved from real modules with `tarnview-cli save ... OUT.bin`). New inputs
# collect in OUTDIR/<target>/corpus, findings in OUTDIR/<target>/findings; a finding is fixed at
# its root and its input kept as a seed.
#
#   scripts/fuzz.sh [SECONDS [OUTDIR]]
#
# SECONDS defaults to 600; OUTDIR to build-fuzz/runs. TARNVIEW_FUZZ_RUNS=N stops a target after N
# executions when that comes first; TARNVIEW_FUZZ_TARGETS="fuzz_a fuzz_b" runs only those.
# A campaign can span many runs into the same OUTDIR: OUTDIR/<target>/executions keeps the total
# over all of them, and TARNVIEW_FUZZ_TOTAL=N runs a target only up to N in total (skipping
# those already there), so an interrupted campaign goes on where it stopped.
# Inputs are cut at TARNVIEW_FUZZ_MAX_LEN bytes (default 64 KiB: large real modules as seeds keep
# their headers and early sections, and the module readers stay fast enough to explore).
# Needs clang-14 with libFuzzer (setup.sh installs it).
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
build=${TARNVIEW_FUZZ_BUILD:-$here/build-fuzz}
out=${2:-$build/runs}

CXX=${CXX:-clang++-14} cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARNVIEW_FUZZ=ON -DTARNVIEW_BUILD_UI=OFF -DTARNVIEW_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_all >/dev/null
runs=${TARNVIEW_FUZZ_RUNS:--1}
max_len=${TARNVIEW_FUZZ_MAX_LEN:-65536}

status=0
for target in "$build"/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    if [ -n "${TARNVIEW_FUZZ_TARGETS:-}" ]; then
        case " $TARNVIEW_FUZZ_TARGETS " in *" $name "*) ;; *) continue ;; esac
    fi
    mkdir -p "$out/$name/corpus" "$out/$name/findings"
    before=$(cat "$out/$name/executions" 2>/dev/null || echo 0)
    target_runs=$runs
    if [ -n "${TARNVIEW_FUZZ_TOTAL:-}" ]; then
        if [ "$before" -ge "$TARNVIEW_FUZZ_TOTAL" ]; then
            echo "$name: $before executions in total already"
            continue
        fi
        target_runs=$((TARNVIEW_FUZZ_TOTAL - before))
        [ "$runs" -ge 0 ] && [ "$runs" -lt "$target_runs" ] && target_runs=$runs
    fi
    extra=
    case $name in
        fuzz_module|fuzz_catalog|fuzz_resource_directory)
            [ -n "${TARNVIEW_FUZZ_REAL:-}" ] && extra=$TARNVIEW_FUZZ_REAL ;;
    esac
    if [ -n "${TARNVIEW_FUZZ_SEEDS:-}" ] && [ -d "$TARNVIEW_FUZZ_SEEDS/$name" ]; then
        extra="$extra $TARNVIEW_FUZZ_SEEDS/$name"
    fi
    # shellcheck disable=SC2086 # extra is a list of folders without spaces
    if ! "$target" -max_total_time="$seconds" -print_final_stats=1 -max_len="$max_len" -runs="$target_runs" \
        -artifact_prefix="$out/$name/findings/" "$out/$name/corpus" "$here/fuzz/corpus/$name" \
        $extra >"$out/$name/log" 2>&1; then
        status=1
    fi
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$name/log")
    found=$(find "$out/$name/findings" -type f | wc -l)
    total=$((before + ${executed:-0}))
    echo "$total" >"$out/$name/executions"
    echo "$name: ${executed:-?} executions ($total in total), $found findings"
done
exit $status
