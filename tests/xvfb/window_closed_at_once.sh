#!/usr/bin/env bash
# The main window closed at once after OK: the program ends only once the companion has
# taken the batch, so that its conversion is not lost with the program.
# Usage: window_closed_at_once.sh <built orvalen>
set -euo pipefail
# shellcheck source=tests/xvfb/session.sh
source "$(dirname "$0")/session.sh"

for tool in openbox xprop; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
make_program_dir "$1"
# A companion slow to start, as on a busy machine: the window is gone before it reads.
mv "$program_dir/orvalen-conversion" "$program_dir/orvalen-conversion.real"
# shellcheck disable=SC2016 # expanded by the stand-in's shell
printf '#!/bin/sh\nsleep 1\nexec "$0.real" "$@"\n' >"$program_dir/orvalen-conversion"
chmod +x "$program_dir/orvalen-conversion"
touch "$work/a.wav"
start_xvfb
openbox >"$work/openbox.log" 2>&1 &
started+=($!)
# Windows mapped while the window manager starts may be reparented under a search's feet.
manages() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
wait_for "openbox to manage the screen" manages
start_orvalen --ask "$work/a.wav"
orvalen=${started[-1]}
window=$(window_id Orvalen) || fail "the window did not appear"
wait_for "the confirmation box" find_box
xdo windowactivate --sync "$box"
xdo key Return
xdo windowactivate --sync "$window"
xdo key alt+F4
ended() { ! kill -0 "$orvalen" 2>/dev/null; }
wait_for "orvalen to end with its window" ended
expect_encoder_runs 1
echo "PASS: the batch was converted although its window closed at once"
