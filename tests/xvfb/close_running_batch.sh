#!/usr/bin/env bash
# Closing a running batch's window through the window manager stops that batch only. Two
# batches run in the session's companion on Xvfb with openbox, their encoders held until the
# test lets them go. Alt+F4 on one batch's window must stop its encoder, leave its earlier
# output as it was and no temporary file, while the same companion goes on and the other
# batch ends.
# Usage: close_running_batch.sh <built orvalen>
set -euo pipefail
command -v openbox >/dev/null || { echo "SKIP: openbox is not installed"; exit 77; }
# shellcheck source=tests/xvfb/session.sh
source "$(dirname "$0")/session.sh"

make_program_dir "$1"
mv "$program_dir/cores/ffmpeg" "$program_dir/cores/recording"
install -m 755 "$(dirname "$0")/holding_encoder.sh" "$program_dir/cores/ffmpeg"
start_xvfb
# Its own configuration folder: the defaults, where Alt+F4 closes the active window.
XDG_CONFIG_HOME=$work openbox --sm-disable >"$work/openbox.log" 2>&1 &
started+=($!)
openbox_manages() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for "openbox to manage the screen" openbox_manages

run_batch() {
    (cd "$work" && "$program_dir/orvalen" "$@") >>"$work/orvalen.log" 2>&1 ||
        fail "orvalen $* ended with status $?"
}
encoders_holding() { (($(find "$program_dir" -name 'holding.*' | wc -l) == $1)); }
shown() { xdotool search --onlyvisible --name ' - Orvalen$' 2>/dev/null | grep -x "$1" >/dev/null; }
title_of() { xdotool getwindowname "$1" 2>/dev/null || true; }
companion_lives() { kill -0 "$companion" 2>/dev/null && [[ $(companion_pid) == "$companion" ]]; }
closed_window_gone() { ! shown "$closed"; }
other_ended() { [[ $(title_of "$other") == "$ended" ]]; }
other_ended_or_companion_gone() { other_ended || ! companion_lives; }

printf earlier >"$work/slow-a.mp3"
run_batch slow-a.wav
closed=$(window_id '1個中 1個変換中 - Orvalen') || fail "no window of the first batch"
companion=$(companion_pid)
[[ -n $companion ]] || fail "no companion runs the first batch"
run_batch slow-b.wav fail-b.wav
other=$(window_id '2個中 2個変換中 - Orvalen') || fail "no window of the second batch"
wait_for "the three encoders to start" encoders_holding 3
if [[ -n ${SCREENSHOTS:-} ]]; then import -window root "$SCREENSHOTS/two-batches.png"; fi

xdo windowactivate --sync "$closed"
xdo key alt+F4
wait_for "the closed batch's window to go" closed_window_gone
touch "$program_dir/go"
ended='2個中 1個完了、1個失敗 - Orvalen'
wait_for "the other batch to end" other_ended_or_companion_gone
if [[ -n ${SCREENSHOTS:-} ]]; then import -window root "$SCREENSHOTS/other-batch-ended.png"; fi

companion_lives || fail "the companion (process $companion) is gone since a running batch's" \
    "window was closed; companions now: $(companion_pid | xargs)"
other_ended || fail "the other batch's window shows '$(title_of "$other")'"
[[ $(<"$work/slow-b.mp3") == mp3 ]] || fail "the other batch did not write slow-b.mp3"
[[ $(<"$work/slow-a.mp3") == earlier ]] || fail "the closed batch replaced slow-a.mp3"
if grep -qsF slow-a.wav "$program_dir"/record.*.done; then
    fail "the closed batch's encoder ran to its end"
fi
left=$(find "$work" -mindepth 1 -maxdepth 1 -name '.*')
[[ -z $left ]] || fail "temporary files left: $left"
echo "PASS: Alt+F4 stopped its running batch only; the same companion ended the other"
