#!/usr/bin/env bash
# The real window on a real X server: it carries the program's icon in both sizes, and a
# path typed into the input box and Alt+S must start the encoder beside the program once,
# with the window's default choices.
# Usage: window_start_button.sh <built orvalen>
set -euo pipefail
# shellcheck source=tests/xvfb/session.sh
source "$(dirname "$0")/session.sh"

make_program_dir "$1"

start_xvfb
start_orvalen
window=$(window_id Orvalen) || fail "the window did not appear"
icon=$(xprop -id "$window" _NET_WM_ICON)
[[ $icon == *"Icon (16 x 16)"* && $icon == *"Icon (32 x 32)"* ]] ||
    fail "the window lacks the program's icon: $icon"

# No window manager gives the window the keyboard; the input box has the focus inside it.
xdo windowfocus --sync "$window"
mkdir "$work/some dir"
input="$work/some dir/clip.flv"
xdo type --delay 20 "$input"
xdo key alt+s

arguments=(-y -i "$input" -vn -ac 2 -ar 44100 -ab 128k "$work/some dir/clip.mp3")
expect_encoder_runs 1
expect_encoder_call "${arguments[@]}"
echo "PASS: Alt+S started $(show_args "$program_dir"/record.*.done)"
