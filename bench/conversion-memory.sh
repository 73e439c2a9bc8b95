#!/usr/bin/env bash
# Measures the memory Orvalen's own processes take while 31 conversions run at once on a
# desktop: the main window's orvalen plus every orvalen-conversion process, encoders left out.
# Memory is PSS (shared pages split among the processes sharing them), summed from
# /proc/PID/smaps_rollup; RSS is printed beside it. 1 MB here is 1,000,000 bytes.
#
# Two ways to start the 31 conversions while the main window is open:
#   one batch     - one `orvalen` with 31 file names on its command line;
#   31 launches   - 31 `orvalen` runs of one name each, one after another, as 31 clicks would.
# Each way runs RUNS times (3 unless set); the median is printed after the single runs.
#
# The encoder is a stand-in shell script that writes one line and then waits HOLD_SECONDS
# (120 unless set) without reading anything or using the CPU, so the figure is about Orvalen
# alone. It exits 0 when told to stop, so every batch's window closes as after good
# conversions. One batch shows one window of 31 rows; 31 launches show 31 windows of one.
#
# Usage: bench/conversion-memory.sh [directory holding orvalen and orvalen-conversion (build)]
# Needs: Xvfb, openbox, xdotool, xprop (x11-utils); `import` (imagemagick) for the screenshot
# written to SCREENSHOT (/tmp/bench-31-conversions.png unless set; empty for none).
set -euo pipefail
cd "$(dirname "$0")/.."
bench_name=conversion-memory.sh
source bench/lib.sh

built=${1:-build}
runs=${RUNS:-3}
hold=${HOLD_SECONDS:-120}
screenshot=${SCREENSHOT-/tmp/bench-31-conversions.png}
count=${CONVERSIONS:-31}
work=$(mktemp -d)
prog=$work/program
runtime=
xvfb_pid=
wm_pid=
main_pid=

# PIDs of the processes running the copied orvalen or orvalen-conversion.
own_pids() {
    local link target
    for link in /proc/[0-9]*/exe; do
        target=$(readlink "$link" 2>/dev/null) || continue
        if [[ $target == "$prog/orvalen" || $target == "$prog/orvalen-conversion" ]]; then
            link=${link#/proc/}
            echo "${link%/exe}"
        fi
    done
}

# PIDs of the running stand-in encoders (shell scripts: found by their command line).
encoder_pids() {
    { grep -lzxF "$prog/cores/ffmpeg" /proc/[0-9]*/cmdline 2>/dev/null || true; } |
        sed -n 's|^/proc/\([0-9]*\)/cmdline$|\1|p'
}

# How many other processes map Qt: they take their share of Qt's pages, so PSS is lower
# while they run than with Orvalen alone.
other_qt_processes() {
    local own
    own=$(own_pids | paste -sd'|')
    { grep -l libQt6Core /proc/[0-9]*/maps 2>/dev/null || true; } | grep -cvE "^/proc/($own)/maps$" || true
}

# Ends the processes that the named listing function prints.
end_listed() {
    local pids
    mapfile -t pids < <("$1")
    end_pids "${pids[@]}"
}

cleanup() {
    # Encoders first, so the companion sees its conversions end; the X server last.
    end_listed encoder_pids
    end_listed own_pids
    end_pids $wm_pid
    end_pids $xvfb_pid
    rm -rf "$work" "$runtime"
}
trap cleanup EXIT

# A copy of the program with the stand-in encoder, and 31 empty input files.
copy_program "$built" "$prog"
mkdir -p "$work/clips"
cat >"$prog/cores/ffmpeg" <<EOF
#!/bin/bash
# Stand-in encoder: waits $hold s reading nothing (a pipe it holds both ends of), then exits 0.
trap 'exit 0' TERM
echo "stand-in encoder: waiting $hold s" >&2
read -rt $hold <> <(:) || true
EOF
chmod +x "$prog/cores/ffmpeg"
inputs=()
for i in $(seq -w 1 "$count"); do
    inputs+=("$work/clips/clip-$i.mp4")
    : >"${inputs[-1]}"
done

use_private_runtime "$work"
export QT_QPA_PLATFORM=xcb
start_xvfb "$work"
start_openbox "$work"

# How many conversions the batches' windows show running, summed from their titles
# ("31個中 31個変換中 - Orvalen").
conversions_shown() {
    { xdotool search --onlyvisible --name ' - Orvalen$' 2>/dev/null || true; } |
        while read -r id; do xdotool getwindowname "$id" 2>/dev/null || true; done |
        sed -n 's/.*[^0-9]\([0-9][0-9]*\)個変換中.*/\1/p' | awk '{ shown += $1 } END { print shown + 0 }'
}

kb_to_mb() { awk -v kb="$1" 'BEGIN { printf "%.1f", kb * 1024 / 1e6 }'; }

# One run: main window open, 31 conversions started one way, shown running, then the
# memory of Orvalen's processes, left in pss, rss, private (kB: pages no other process maps),
# main_pss, processes, companions and others (processes not ours that map Qt).
measure_once() {
    local way=$1 name pid p r u
    "$prog/orvalen" >>"$work/orvalen.log" 2>&1 &
    main_pid=$!
    timeout 20 xdotool search --sync --onlyvisible --name '^Orvalen$' >/dev/null ||
        { cat "$work/orvalen.log" >&2; fail "the main window did not appear"; }

    if [[ $way == batch ]]; then
        "$prog/orvalen" "${inputs[@]}" >>"$work/orvalen.log" 2>&1
    else
        for name in "${inputs[@]}"; do "$prog/orvalen" "$name" >>"$work/orvalen.log" 2>&1; done
    fi

    for _ in {1..600}; do (($(conversions_shown) >= count)) && break; sleep 0.1; done
    (($(conversions_shown) == count)) ||
        { cat "$work/orvalen.log" >&2; fail "$(conversions_shown) of $count conversions shown running"; }
    sleep 2
    if [[ -n $screenshot && $way == batch && ! -e $work/screenshot-taken ]]; then
        import -window root "$screenshot" && : >"$work/screenshot-taken"
    fi

    pss=0 rss=0 private=0 main_pss=0 processes=0 companions=0 others=$(other_qt_processes)
    for pid in $(own_pids); do
        read -r p r u < <(awk '/^Pss:/ { p = $2 } /^Rss:/ { r = $2 } /^Private_/ { u += $2 }
            END { print p + 0, r + 0, u + 0 }' "/proc/$pid/smaps_rollup")
        pss=$((pss + p)) rss=$((rss + r)) private=$((private + u)) processes=$((processes + 1))
        if [[ $(readlink "/proc/$pid/exe") == "$prog/orvalen-conversion" ]]; then
            companions=$((companions + 1))
        elif ((pid == main_pid)); then
            main_pss=$p
        else
            fail "an orvalen other than the main window is running (PID $pid)"
        fi
    done

    # The encoders stop with status 0, the windows close and the companion leaves by itself.
    end_listed encoder_pids
    for _ in {1..100}; do [[ $(own_pids) == "$main_pid" ]] && break; sleep 0.1; done
    end_listed own_pids
}

scenario() {
    local way=$1 label=$2 run results=()
    for ((run = 1; run <= runs; run++)); do
        measure_once "$way"
        results+=("$pss $rss $processes $companions $others")
        echo "$label, run $run: PSS $(kb_to_mb "$pss") MB (main window $(kb_to_mb "$main_pss") MB," \
            "$companions companion(s) $(kb_to_mb $((pss - main_pss))) MB); RSS $(kb_to_mb "$rss") MB;" \
            "private $(kb_to_mb "$private") MB; $processes processes; $others other Qt processes"
    done
    pss=$(printf '%s\n' "${results[@]}" | cut -d' ' -f1 | median)
    rss=$(printf '%s\n' "${results[@]}" | cut -d' ' -f2 | median)
    processes=$(printf '%s\n' "${results[@]}" | cut -d' ' -f3 | sort -u | paste -sd/)
    companions=$(printf '%s\n' "${results[@]}" | cut -d' ' -f4 | sort -u | paste -sd/)
    others=$(printf '%s\n' "${results[@]}" | cut -d' ' -f5 | sort -nu | paste -sd/)
    echo "$label: PSS $(kb_to_mb "$pss") MB over $processes processes" \
        "(main window + $companions companion); RSS $(kb_to_mb "$rss") MB (median of $runs runs)"
    [[ $others == 0 ]] || echo "$label: other processes mapped Qt ($others), so PSS is lower than alone"
    echo "$label: PSS / 100 MB = $(awk -v kb="$pss" 'BEGIN { printf "%.2f", kb * 1024 / 1e8 }')"
}

echo "Machine: $(machine); encoder: stand-in that waits ${hold} s"
scenario batch "$count conversions (one batch)"
scenario separate "$count conversions ($count launches)"
if [[ -n $screenshot && -e $work/screenshot-taken ]]; then
    echo "Screenshot of the $count conversions in one batch: $screenshot"
fi
