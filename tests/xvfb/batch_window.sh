#!/usr/bin/env bash
# The batch's window on a real X server. Three names on the command line: the recording
# encoder fails on fail.wav, converts ok.wav at once and takes a while on slow.wav. The
# program must return at once; one window must show the batch, and keep the summary once it
# has ended with a failure. A batch that succeeds leaves no window; one of 33 names shows
# what it left out in its window, which stays open, with no box of its own.
# Usage: batch_window.sh <built orvalen>
set -euo pipefail
# shellcheck source=tests/xvfb/session.sh
source "$(dirname "$0")/session.sh"

make_program_dir "$1"
start_xvfb

batch_windows() {
    xdotool search --onlyvisible --name ' - Orvalen$' 2>/dev/null | while read -r id; do
        xdotool getwindowname "$id"
    done | sort
}
only_window_is() {
    [[ $(batch_windows) == "$1" ]]
}
no_window_left() {
    [[ -z $(batch_windows) ]]
}
companion_gone() { [[ -z $(companion_pid) ]]; }

(cd "$work" && "$program_dir/orvalen" ok.wav fail.wav slow.wav) >"$work/orvalen.log" 2>&1 ||
    fail "orvalen ended with status $?"
if grep -qsF slow.wav "$program_dir"/record.*.done; then
    fail "the program waited for the slow conversion"
fi
ended='3個中 2個完了、1個失敗 - Orvalen'
wait_for "the batch's window to show its end" only_window_is "$ended"
sleep 1
only_window_is "$ended" || fail "windows now: $(batch_windows)"
batch=$(window_id "$ended")
if [[ -n ${SCREENSHOTS:-} ]]; then import -window "$batch" "$SCREENSHOTS/batch-failed.png"; fi
# 閉じる is the default button: Enter closes the window, and the companion leaves.
xdo windowfocus --sync "$batch"
xdo key Return
wait_for "the companion to leave" companion_gone

(cd "$work" && "$program_dir/orvalen" ok1.wav ok2.wav) >"$work/orvalen.log" 2>&1 ||
    fail "orvalen ended with status $?"
wait_for "the companion to leave after a batch that succeeded" companion_gone
no_window_left || fail "windows left: $(batch_windows)"

names=()
for i in $(seq 1 33); do names+=("ok$i.wav"); done
(cd "$work" && "$program_dir/orvalen" "${names[@]}") >"$work/orvalen.log" 2>&1 && status=0 ||
    status=$?
((status == 4)) || fail "33 names ended with status $status, not 4"
wait_for "the batch's window" only_window_is '32個中 32個完了 - Orvalen'
sleep 1
only_window_is '32個中 32個完了 - Orvalen' || fail "windows now: $(batch_windows)"
if xdotool search --onlyvisible --name '^Orvalen$' >/dev/null 2>&1; then
    fail "the names left out were told in a box of their own"
fi
grep -qx ok33.wav "$work/orvalen.log" || fail "standard error did not name ok33.wav"
echo "PASS: one window per batch, kept after a failure or a note, gone after a success"
