#!/usr/bin/env bash
# A drag of 31 files with long names from a GTK 3 program onto the window. The drop must
# end the source's drag before the confirmation is answered; the confirmation must be
# transient for the main window and fit the 1024x768 screen with its question and buttons;
# OK must then start all 31 encoders.
# Usage: drop_from_gtk.sh <built orvalen>
set -euo pipefail
# shellcheck source=tests/xvfb/session.sh
source "$(dirname "$0")/session.sh"
/usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0")' 2>/dev/null ||
    { echo "SKIP: python3-gi with GTK 3 is not installed"; exit 77; }

make_program_dir "$1"
mkdir "$work/in"
files=()
for i in $(seq -w 1 31); do
    files+=("$work/in/$(printf 'a long name of a recording made on a long day number %s %.0s' "$i" {1..2})$i.mp4")
done
touch "${files[@]}"

start_xvfb
start_orvalen
/usr/bin/python3 "$(dirname "$0")/gtkdragsource.py" "${files[@]}" >"$work/gtkdragsource.log" 2>&1 &
started+=($!)
window=$(window_id Orvalen) || fail "the window did not appear"
source_window=$(window_id gtkdragsource) || fail "the drag source did not appear"
drag_and_drop "$source_window" "$window" 100 170

wait_for "the confirmation box" find_box
drag_ended() { grep -q '^drag-end' "$work/gtkdragsource.log"; }
wait_for "the source's drag to end while the box is open" drag_ended

transient=$(xprop -id "$box" WM_TRANSIENT_FOR | sed -n 's/.*# //p')
[[ $((transient)) == "$window" ]] || fail "the box is transient for $transient, not for $window"
eval "$(xdotool getwindowgeometry --shell "$box")"
((X >= 0 && Y >= 0 && X + WIDTH <= 1024 && Y + HEIGHT <= 768)) ||
    fail "the box at ${X},${Y} measuring ${WIDTH}x${HEIGHT} leaves the 1024x768 screen"
if [[ -n ${SCREENSHOTS:-} ]]; then import -window root "$SCREENSHOTS/drop-confirmation.png"; fi

xdo windowfocus --sync "$box"
xdo key Return # OK is the default button
expect_encoder_runs 31
expect_encoder_call -y -i "${files[30]}" -vn -ac 2 -ar 44100 -ab 128k "${files[30]%.mp4}.mp3"
echo "PASS: the drag ended at once, and the box fit the screen over the window that owns it"
