#!/usr/bin/env bash
# A real XDND drag of two files from another program onto the window: after OK in the
# confirmation box, the program must start one encoder per file, each with the MP3 beside it.
# Usage: drop_batch.sh <built orvalen> <built dragsource> [--on-input-box]
# With --on-input-box the files are dropped on the input box, which must hand them to the
# same batch and keep its own text.
set -euo pipefail
# shellcheck source=tests/xvfb/session.sh
source "$(dirname "$0")/session.sh"

make_program_dir "$1"
[[ -x ${2:-} ]] || fail "usage: $0 <built orvalen> <built dragsource>"
mkdir "$work/in"
first="$work/in/a clip.mp4"
second="$work/in/b.flv"
touch "$first" "$second"

start_xvfb
start_orvalen
"$2" "$first" "$second" 2>"$work/dragsource.log" &
started+=($!)
window=$(window_id Orvalen) || fail "the window did not appear"
source_window=$(window_id dragsource) || fail "the drag source did not appear"
if [[ ${3:-} == --on-input-box ]]; then
    drag_and_drop "$source_window" "$window" 100 44
else
    # A blank part of the window, below the lists and left of the start button.
    drag_and_drop "$source_window" "$window" 100 170
fi

wait_for "the confirmation box" find_box
xdo windowfocus --sync "$box"
xdo key Return # OK is the default button

expect_encoder_runs 2
expect_encoder_call -y -i "$first" -vn -ac 2 -ar 44100 -ab 128k "$work/in/a clip.mp3"
expect_encoder_call -y -i "$second" -vn -ac 2 -ar 44100 -ab 128k "$work/in/b.mp3"
if [[ ${3:-} == --on-input-box ]]; then
    # The boxes are still empty: a start now says there is no output name.
    xdo windowfocus --sync "$window"
    xdo key alt+s
    wait_for "the box saying there is no output name" find_box
    expect_encoder_runs 2
fi
# A move would tell a file manager to delete the files that were dropped.
grep -qx 'dragsource: drag ended with action 1' "$work/dragsource.log" ||
    fail "the drop was not taken as a copy (Qt::CopyAction = 1): $(<"$work/dragsource.log")"
echo "PASS: the drop started both encoders and was taken as a copy"
