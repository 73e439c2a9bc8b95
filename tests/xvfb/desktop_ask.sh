#!/usr/bin/env bash
# Files opened from the desktop: the desktop entry's command, with two files for %F, must show
# the window with the drop's confirmation listing both, start no encoder before OK, and after
# OK one encoder per file, each with the MP3 beside it.
# Usage: desktop_ask.sh <built orvalen> <desktop entry>
set -euo pipefail
# shellcheck source=tests/xvfb/session.sh
source "$(dirname "$0")/session.sh"

make_program_dir "$1"
[[ -f ${2:-} ]] || fail "usage: $0 <built orvalen> <desktop entry>"
mkdir "$work/in"
first="$work/in/a clip.mp4"
second="$work/in/b.flv"
touch "$first" "$second"

# The entry's command as a desktop runs it: %F becomes one argument per file.
read -ra command <<<"$(sed -n 's/^Exec=//p' "$2")"
[[ ${command[0]-} == orvalen ]] || fail "the entry does not run orvalen: ${command[*]}"
arguments=()
for word in "${command[@]:1}"; do
    if [[ $word == %F ]]; then arguments+=("$first" "$second"); else arguments+=("$word"); fi
done

start_xvfb
start_orvalen "${arguments[@]}"
# The window is shown before the box that asks over it.
window=$(window_id Orvalen) || fail "the window did not appear"
wait_for "the confirmation box" find_box
# Message boxes also go to standard error, where their text can be read.
listing="$first"$'\r\n'"$second"$'\r\n''以上のファイルを変換開始しますか？'
[[ $(<"$work/orvalen.log") == *"$listing"* ]] || fail "the confirmation does not list both files"
expect_encoder_runs 0

xdo windowfocus --sync "$box"
xdo key Return # OK is the default button
expect_encoder_runs 2
expect_encoder_call -y -i "$first" -vn -ac 2 -ar 44100 -ab 128k "$work/in/a clip.mp3"
expect_encoder_call -y -i "$second" -vn -ac 2 -ar 44100 -ab 128k "$work/in/b.mp3"
echo "PASS: the desktop entry's files were listed, and converted after OK"
