#!/usr/bin/env bash
# The real window on a real X server: a path typed into the input box and Alt+S must start
# the encoder beside the program once, with the window's default choices.
# Usage: window_start_button.sh <built orvalen> [--terminal]
# With --terminal a fake x-terminal-emulator is on the program's PATH: the program must
# then run the encoder through it as "x-terminal-emulator -e <encoder> <arguments...>".
set -euo pipefail
# shellcheck source=tests/xvfb/session.sh
source "$(dirname "$0")/session.sh"

make_program_dir "$1"
if [[ ${2:-} == --terminal ]]; then
    cat >"$work/bin/x-terminal-emulator" <<EOF
#!/bin/sh
printf '%s\0' "\$@" >"$work/terminal.tmp" && /bin/mv "$work/terminal.tmp" "$work/terminal"
[ "\$1" = -e ] && shift && exec "\$@"
EOF
    chmod +x "$work/bin/x-terminal-emulator"
fi

start_xvfb
start_orvalen
window=$(window_id Orvalen) || fail "the window did not appear"

# No window manager gives the window the keyboard; the input box has the focus inside it.
xdo windowfocus --sync "$window"
input="/tmp/some dir/clip.flv"
xdo type --delay 20 "$input"
xdo key alt+s

arguments=(-y -i "$input" -vn -ac 2 -ar 44100 -ab 128k "/tmp/some dir/clip.mp3")
if [[ ${2:-} == --terminal ]]; then
    wait_for "x-terminal-emulator to start" test -f "$work/terminal"
    printf '%s\0' -e "$program_dir/cores/ffmpeg" "${arguments[@]}" >"$work/expected"
    cmp -s "$work/terminal" "$work/expected" ||
        fail "x-terminal-emulator got $(show_args "$work/terminal")"
fi
expect_encoder_runs 1
expect_encoder_call "${arguments[@]}"
echo "PASS: Alt+S started $(show_args "$calls"/*)"
