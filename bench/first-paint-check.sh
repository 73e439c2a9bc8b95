#!/usr/bin/env bash
# Checks that bench/firstpaint.c reports a window's first drawing, not its mapping, on the
# same Xvfb with openbox as bench/window-road.sh:
#   1. the bare window (bench/barewindow.cpp) with and without --paint-delay DELAY_MS (1000):
#      the late one must be mapped about as early, and first painted DELAY_MS later;
#   2. a picture of the screen while the late window is mapped but not painted yet, and one
#      after its first paint (before.png, after.png);
#   3. the window's pixels as the server held them at the first damage, for orvalen and the
#      bare window (orvalen.png, bare.png).
# Pictures go to OUT (/tmp/first-paint-check), which it empties first.
#
# Usage: bench/first-paint-check.sh [directory holding orvalen (build)]
# Needs what bench/window-road.sh needs, and imagemagick. Takes about 20 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
bench_name=first-paint-check.sh
source bench/lib.sh
sources=$PWD/bench

built=${1:-build}
delay=${DELAY_MS:-1000}
out=${OUT:-/tmp/first-paint-check}

make_work_dir


# "MAPPED_MS PAINT_MS" from firstpaint's verbose line in the file $1.
mapped_and_painted() {
    sed -n 's/.*mapped at \([0-9.]*\) ms, .*, first damage at \([0-9.]*\) ms.*/\1 \2/p' "$1"
}

check_late_painter() {
    local on_time late
    "$tools/firstpaint" --verbose 0 "$tools/barewindow" 2>"$work/on-time" >/dev/null
    # It stays 2 s after its first paint: pictures at half the delay (mapped, not painted:
    # the frame around an empty window) and at one and a half (painted).
    "$tools/firstpaint" --verbose 2000 "$tools/barewindow" --paint-delay "$delay" \
        2>"$work/late" >/dev/null &
    local late_pid=$!
    sleep "$(awk -v d="$delay" 'BEGIN { print d / 2000 }')"
    import -window root "$out/before.png"
    sleep "$(awk -v d="$delay" 'BEGIN { print d / 1000 }')"
    import -window root "$out/after.png"
    wait "$late_pid"
    read -r -a on_time < <(mapped_and_painted "$work/on-time")
    read -r -a late < <(mapped_and_painted "$work/late")
    echo "bare window: mapped at ${on_time[0]} ms, first paint at ${on_time[1]} ms"
    echo "bare window, first paint held $delay ms: mapped at ${late[0]} ms," \
        "first paint at ${late[1]} ms"
    awk -v m="${late[0]}" -v p="${late[1]}" -v d="$delay" 'BEGIN { exit !(p - m >= d) }' ||
        fail "the held first paint was reported before the paint"
    echo "the held first paint was reported after it was drawn, not when the window was mapped"
}

# The window's pixels at its first damage, as a PNG named $1.
picture_at_first_paint() {
    local name=$1
    shift
    "$tools/firstpaint" --verbose --shot "$work/$name.ppm" 0 "$@" >/dev/null 2>>"$work/shots"
    convert "$work/$name.ppm" "$out/$name.png"
}

rm -rf "$out"
mkdir -p "$out"
copy_program "$built" "$prog"
build_first_paint_tools
use_private_runtime "$work"
export QT_QPA_PLATFORM=xcb
start_xvfb "$work"
start_openbox "$work"

check_late_painter
picture_at_first_paint orvalen "$prog/orvalen"
picture_at_first_paint bare "$tools/barewindow" --text 変換するファイル
sed 's/^firstpaint: //' "$work/shots"
echo "Pictures: $out/before.png, after.png (screen), orvalen.png, bare.png (at first damage)"
