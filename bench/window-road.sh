#!/usr/bin/env bash
# Measures the window road: `orvalen` without arguments, from exec until its main window is
# first painted, and its peak RSS; against bench/barewindow.cpp, a Qt Widgets window holding
# one label (by default in Japanese, "変換するファイル", as the program's first label: both
# then need a Japanese font; BARE_TEXT sets another text).
#
# bench/firstpaint.c starts each program on a private Xvfb (with openbox as window manager,
# as on a desktop; WINDOW_MANAGER=none for none) and notes when the X server first reports
# drawing into the program's top-level window (a DAMAGE event; mapping the window alone
# draws nothing into it). SETTLE_MS (500) later it sends SIGTERM and reads the peak RSS from
# wait4, what /usr/bin/time -v reports; by the first paint the peak has been reached, the
# settle time catches work a program might do just after showing itself.
# After one untimed run of each, RUNS runs of each (20) alternate one by one; medians.
# Both get the same environment: QT_QPA_PLATFORM=xcb, private XDG_RUNTIME_DIR and settings.
#
# Usage: bench/window-road.sh [directory holding orvalen (build)]
# Needs: gcc, g++, Qt 6 Widgets headers, libxcb-damage0-dev, Xvfb, openbox, xprop,
# /usr/bin/time. Takes about 40 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
bench_name=window-road.sh
source bench/lib.sh
sources=$PWD/bench

built=${1:-build}
runs=${RUNS:-20}
settle=${SETTLE_MS:-500}
bare_text=${BARE_TEXT-変換するファイル}
window_manager=${WINDOW_MANAGER:-openbox}

make_work_dir


orvalen_command=()
bare_command=()

# One run of the named program; appends "PAINT_MS PEAK_RSS_KB" to $work/<name>.
measure() {
    local -n command=$1_command
    "$tools/firstpaint" "$settle" "${command[@]}" >>"$work/$1"
}

# Prints the ratio line of one figure from column $2 of both files, scaled by $3 into $4.
report() {
    local label=$1 column=$2 scale=$3 unit=$4 goal=$5 orvalen bare name
    orvalen=$(cut -d' ' -f"$column" "$work/orvalen" | median)
    bare=$(cut -d' ' -f"$column" "$work/bare" | median)
    awk -v l="$label" -v o="$orvalen" -v b="$bare" -v s="$scale" -v u="$unit" -v g="$goal" \
        'BEGIN { printf "%s: orvalen %.1f %s, bare Qt window %.1f %s: %.2fx (%s)\n",
                 l, o * s, u, b * s, u, o / b, g }'
    for name in orvalen bare; do
        cut -d' ' -f"$column" "$work/$name" | sort -g | awk -v n="$name" -v s="$scale" -v u="$unit" \
            'NR == 1 { lo = $1 } { hi = $1 }
             END { printf "  %s: %d runs, %.1f to %.1f %s\n", n, NR, lo * s, hi * s, u }' >&2
    done
}

# The same peak RSS, once, as /usr/bin/time -v reports it for its child.
cross_check_rss() {
    local ours theirs
    ours=$("$tools/firstpaint" "$settle" /usr/bin/time -v -o "$work/time.txt" \
        "${orvalen_command[@]}" | cut -d' ' -f2)
    theirs=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
    echo "  orvalen under /usr/bin/time -v: wait4 $ours kB, time -v $theirs kB" >&2
}

copy_program "$built" "$prog"
build_first_paint_tools
orvalen_command=("$prog/orvalen")
# shellcheck disable=SC2034 # used through measure's name reference
bare_command=("$tools/barewindow" --text "$bare_text")
use_private_runtime "$work"
export QT_QPA_PLATFORM=xcb
start_xvfb "$work"
case $window_manager in
openbox)
    start_openbox "$work"
    situation="Xvfb + openbox"
    ;;
none) situation="bare Xvfb" ;;
*) fail "WINDOW_MANAGER is openbox or none, not $window_manager" ;;
esac
echo "Machine: $(machine); load average $(load_average)"
echo "Xvfb with window manager: $window_manager; bare label: $bare_text; settle time: $settle ms"

for name in orvalen bare; do measure "$name"; done
rm -f "$work/orvalen" "$work/bare"
for ((run = 1; run <= runs; run++)); do
    for name in orvalen bare; do measure "$name"; done
done
report "window road ($situation), exec to first paint" 1 1 ms "goal <= 1.10x"
report "window road ($situation), peak RSS" 2 0.001024 MB "goal <= 1.10x"
cross_check_rss
