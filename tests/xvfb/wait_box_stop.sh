#!/usr/bin/env bash
# A box shown to `orvalen --wait` does not keep it from its stop signals: here the companion
# ends before it answers, and the box that names the file it cannot vouch for closes on
# SIGTERM, SIGINT or SIGHUP; the program then ends with status 2.
# Usage: wait_box_stop.sh <built orvalen>
set -euo pipefail
# shellcheck source=tests/xvfb/session.sh
source "$(dirname "$0")/session.sh"

make_program_dir "$1"
printf '#!/bin/sh\nexit 0\n' >"$program_dir/orvalen-conversion"
start_xvfb
window=none
for signal in TERM INT HUP; do
    start_orvalen --wait a.wav
    orvalen=${started[-1]}
    wait_for "the box" find_box
    grep -qF '変換を見守るプログラムが途中で終わりました' "$work/orvalen.log" ||
        fail "the box does not say that the companion ended"

    kill -"$signal" "$orvalen"
    ended() { ! kill -0 "$orvalen" 2>/dev/null; }
    wait_for "orvalen to end on SIG$signal" ended
    status=0
    wait "$orvalen" || status=$?
    ((status == 2)) || fail "orvalen ended on SIG$signal with status $status, not 2"
done
echo "PASS: the box closed on each stop signal, and orvalen ended with status 2"
