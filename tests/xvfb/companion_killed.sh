#!/usr/bin/env bash
# The main window follows its batch until its conversions end: when the session's companion
# is killed mid-way, a box names the file whose conversion was lost, and the companion, the
# program's child, is reaped at once rather than left a zombie.
# Usage: companion_killed.sh <built orvalen>
set -euo pipefail
# shellcheck source=tests/xvfb/session.sh
source "$(dirname "$0")/session.sh"

make_program_dir "$1"
# An encoder that runs until it is ended, and says who it is.
# shellcheck disable=SC2016 # expanded by the encoder's shell
printf '#!/bin/sh\necho $$ >"$(dirname "$0")/../encoder.pid"\nexec sleep 60\n' \
    >"$program_dir/cores/ffmpeg"
touch "$work/long.wav"
start_xvfb
start_orvalen --ask "$work/long.wav"
window=$(window_id Orvalen) || fail "the window did not appear"
wait_for "the confirmation box" find_box
xdo windowfocus --sync "$box"
xdo key Return
wait_for "the encoder to run" test -s "$program_dir/encoder.pid"
encoder=$(<"$program_dir/encoder.pid")
companion=$(awk '{ print $4 }' "/proc/$encoder/stat")
[[ $(readlink "/proc/$companion/exe") == "$program_dir/orvalen-conversion" ]] ||
    fail "the encoder's parent is not the companion"
kill -KILL "$companion"

reaped() { [[ ! -e /proc/$companion ]]; }
wait_for "the companion to be reaped" reaped
told() { grep -qF '変換を見守るプログラムが途中で終わりました' "$work/orvalen.log"; }
wait_for "the main window to tell that the companion ended" told
wait_for "the box" find_box
grep -qx "$work/long.wav" "$work/orvalen.log" || fail "the box does not name long.wav"
echo "PASS: the companion's end was told, naming the file"
