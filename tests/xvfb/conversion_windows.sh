#!/usr/bin/env bash
# Conversion windows on a real X server. Three names on the command line: the recording
# encoder fails on fail.wav, converts ok.wav at once and takes a while on slow.wav. The
# program must return at once, the slow conversion must outlive it, the failed one must
# leave its window open until the user closes it, and the others must close theirs.
# Usage: conversion_windows.sh <built orvalen>
set -euo pipefail
# shellcheck source=tests/xvfb/session.sh
source "$(dirname "$0")/session.sh"

make_program_dir "$1"

start_xvfb
(cd "$work" && "$program_dir/orvalen" ok.wav fail.wav slow.wav) >"$work/orvalen.log" 2>&1 ||
    fail "orvalen ended with status $?"
if grep -qsF slow.wav "$program_dir"/record.*.done; then
    fail "the program waited for the slow conversion"
fi

conversion_windows() {
    xdotool search --onlyvisible --name ' - Orvalen$' 2>/dev/null | while read -r id; do
        xdotool getwindowname "$id"
    done | sort
}
only_the_failed_window() {
    [[ $(conversion_windows) == "fail.wav - Orvalen" ]]
}
expect_encoder_runs 2
expect_encoder_call -y -i slow.wav -vn -ac 2 -ar 44100 -ab 128k slow.mp3
wait_for "only the failed conversion's window" only_the_failed_window
sleep 1
only_the_failed_window || fail "windows now: $(conversion_windows)"
failed=$(window_id 'fail.wav - Orvalen')
if [[ -n ${SCREENSHOTS:-} ]]; then import -window "$failed" "$SCREENSHOTS/conversion-failed.png"; fi

# Its button now closes it, and with no conversion left the companion leaves.
eval "$(xdotool getwindowgeometry --shell "$failed")"
xdo mousemove --window "$failed" $((WIDTH - 30)) $((HEIGHT - 18))
xdo click 1
companion_gone() { ! pgrep -f "^$program_dir/orvalen-conversion" >/dev/null; }
wait_for "the companion to leave" companion_gone
echo "PASS: the failed conversion kept its window; the others closed theirs and outlived orvalen"
