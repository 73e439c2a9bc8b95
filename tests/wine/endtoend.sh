#!/usr/bin/env bash
# orvalen.exe under Wine on an X server, with the real ffmpeg.exe: conversions from the
# command line with --wait, a failure that leaves the earlier MP3 alone, the window, a start
# from the window and a drop of two files on it. Each MP3 is checked with ffprobe.
# Usage: endtoend.sh <build folder holding orvalen.exe, orvalen-watch.exe and cores\ffmpeg.exe>
# It runs on the caller's X server (DISPLAY) and Wine prefix (WINEPREFIX).
set -euo pipefail
build=$(realpath "$1")
wine=/usr/lib/wine/wine64
for tool in xdotool ffmpeg ffprobe; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[[ -n ${DISPLAY:-} && -n ${WINEPREFIX:-} ]] || { echo "endtoend.sh: DISPLAY and WINEPREFIX must be set" >&2; exit 1; }

work=$(realpath "$(mktemp -d)")
# A space and Japanese in the program's folder and in the names converted.
program="$work/プログラム dir"
media="$work/media"
mkdir -p "$program/cores" "$media"
cp "$build"/{orvalen.exe,orvalen-watch.exe} "$program/"
cp "$build/cores/ffmpeg.exe" "$program/cores/"
started=()

# The encoders that run on this test's files; Wine shows each with its Windows command line.
encoders_left() {
    local cmdline line
    for cmdline in /proc/[0-9]*/cmdline; do
        line=$(tr '\0' ' ' <"$cmdline" 2>/dev/null) || continue
        if [[ $line == Z:*"${work##*/}"*'\cores\ffmpeg.exe '* && $line != *orvalen-watch* ]]; then
            echo "${cmdline//[^0-9]/}"
        fi
    done
}

no_encoders_left() {
    [[ -z $(encoders_left) ]]
}

cleanup() {
    local pid
    for pid in "${started[@]}" $(encoders_left); do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [[ -s $work/orvalen.log ]] && { echo "--- orvalen.log:"; cat "$work/orvalen.log"; } >&2
    exit 1
}

# Retries a command until it succeeds; gives up after 60 seconds (Wine starts slowly).
wait_for() {
    local what=$1 deadline=$((SECONDS + 60))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || fail "timed out waiting for $what"
        sleep 0.3
    done
}

xdo() {
    timeout 30 xdotool "$@" || fail "xdotool $* failed or timed out"
}

# The ids of the visible windows with exactly this title.
windows_named() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true
}

window_named() {
    [[ -n $(windows_named "$1") ]]
}

# Whether no watcher writes a temporary file beside the outputs any more.
no_temporary_files() {
    [[ -z $(find "$media" -name '.*' -type f) ]]
}

# Windows' name of a file here: Wine's drive Z: is the root.
windows_name() {
    echo "Z:${1//\//\\}"
}

sound() {
    ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=$2:duration=2" "$1"
}

# A whole MP3: stereo, 44100 Hz, 128 kbit/s, 2 seconds.
expect_mp3() {
    local written
    written=$(ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,bit_rate \
        -of csv=p=0 "$1" 2>&1) || fail "ffprobe cannot read $1: $written"
    [[ $written == "mp3,44100,2,128000" ]] || fail "$1 holds $written"
}

expect_no_leftovers() {
    no_temporary_files || fail "left behind: $(find "$media" -name '.*' -type f)"
}

run_orvalen() {
    (in_media_run_orvalen "$@")
}

# The same in the background: run as "in_media_run_orvalen ... &", so that $! is the
# program's own (timeout's) process id.
in_media_run_orvalen() {
    cd "$media" && exec timeout 120 "$wine" "$program/orvalen.exe" "$@"
}

echo "--- the command line converts a WAV and a Japanese name, and waits"
sound "$media/in.wav" 440
sound "$media/日本語 の 名前.wav" 660
run_orvalen --wait in.wav "日本語 の 名前.wav" 2>"$work/orvalen.log" ||
    fail "orvalen.exe --wait exited with $?"
expect_mp3 "$media/in.mp3"
expect_mp3 "$media/日本語 の 名前.mp3"
expect_no_leftovers

echo "--- a failure exits 5, and the earlier MP3 stays as it was"
printf 'not a recording' >"$media/bad.wav"
cp "$media/in.mp3" "$media/bad.mp3"
before=$(sha256sum <"$media/bad.mp3")
in_media_run_orvalen --wait bad.wav 2>"$work/orvalen.log" &
waiting=$!
started+=("$waiting")
# The failed conversion's console shows why and waits for a key.
wait_for "the failed conversion's console" window_named 'bad\.mp3 - Orvalen'
console=$(windows_named 'bad\.mp3 - Orvalen' | head -1)
if [[ -n ${SCREENSHOTS:-} ]]; then import -window root "$SCREENSHOTS/failure-console.png"; fi
# The console waits for a key once the encoder has failed; a key pressed before is ignored
# (the encoder itself takes no action on Return).
deadline=$((SECONDS + 60))
while kill -0 "$waiting" 2>/dev/null && ((SECONDS < deadline)); do
    xdotool windowactivate --sync "$console" key --window "$console" Return 2>/dev/null || true
    sleep 1
done
status=0
wait "$waiting" || status=$?
((status == 5)) || fail "orvalen.exe --wait exited with $status after a failure, not 5"
grep -q 'bad.wav' "$work/orvalen.log" || fail "standard error does not name bad.wav"
[[ $(sha256sum <"$media/bad.mp3") == "$before" ]] || fail "the earlier bad.mp3 was changed"
expect_no_leftovers

echo "--- closing a conversion's console stops it: exit 5, and the earlier MP3 stays"
ffmpeg -nostdin -v error -f lavfi -i sine=duration=600 -ar 8000 "$media/long.wav"
cp "$media/in.mp3" "$media/long.mp3"
before=$(sha256sum <"$media/long.mp3")
in_media_run_orvalen --wait long.wav 2>"$work/orvalen.log" &
waiting=$!
started+=("$waiting")
wait_for "the conversion's console" window_named 'long\.mp3 - Orvalen'
console=$(windows_named 'long\.mp3 - Orvalen' | head -1)
if [[ -n ${SCREENSHOTS:-} ]]; then import -window root "$SCREENSHOTS/conversion-console.png"; fi
xdo windowactivate --sync "$console"
xdo key alt+F4
status=0
wait "$waiting" || status=$?
((status == 5)) || fail "orvalen.exe --wait exited with $status after its console closed, not 5"
wait_for "the encoder to end with its console" no_encoders_left
[[ $(sha256sum <"$media/long.mp3") == "$before" ]] || fail "the earlier long.mp3 was changed"
# Wine ends a closed console's programs without the close event in which the watcher
# removes its file: the file is left, where Windows would remove it.
rm -f "$media"/.long.mp3.*.mp3
expect_no_leftovers

echo "--- the window appears, titled Orvalen, and converts what is typed in it"
sound "$media/typed.wav" 880
in_media_run_orvalen >"$work/orvalen.log" 2>&1 &
window_process=$!
started+=("$window_process")
wait_for "the window" window_named Orvalen
window=$(windows_named Orvalen | head -1)
xdo windowactivate --sync "$window"
xdo type --delay 20 "$(windows_name "$media/typed.wav")"
xdo key alt+s
wait_for "typed.mp3" test -s "$media/typed.mp3"
wait_for "the conversion of typed.wav to end" no_temporary_files
expect_mp3 "$media/typed.mp3"

echo "--- a drop of two files asks once and converts both"
sound "$media/drop one.wav" 330
sound "$media/ドロップ.wav" 550
/usr/bin/python3 "$(dirname "$0")/../xvfb/gtkdragsource.py" \
    "$media/drop one.wav" "$media/ドロップ.wav" >"$work/dragsource.log" 2>&1 &
started+=($!)
wait_for "the drag source" window_named gtkdragsource
source_window=$(windows_named gtkdragsource | head -1)
xdo windowmove --sync "$source_window" 20 20
xdo windowmove --sync "$window" 300 200
xdo mousemove --sync --window "$source_window" 100 50
xdo mousedown 1
for _ in 1 2 3 4 5; do xdo mousemove_relative 5 5; sleep 0.1; done
xdo mousemove --window "$window" 200 150
for _ in 1 2 3 4 5; do sleep 0.1; xdo mousemove_relative -- 2 -1; done
sleep 0.3
xdo mouseup 1
confirmation() { windows_named Orvalen | grep -vx "$window" | head -1; }
has_confirmation() { [[ -n $(confirmation) ]]; }
wait_for "the confirmation" has_confirmation
if [[ -n ${SCREENSHOTS:-} ]]; then import -window root "$SCREENSHOTS/drop-confirmation.png"; fi
# OK is the box's default button. A key can reach the box before it takes the focus: Return
# until it is gone.
deadline=$((SECONDS + 30))
while has_confirmation && ((SECONDS < deadline)); do
    box=$(confirmation)
    xdotool windowactivate --sync "$box" key --window "$box" Return 2>/dev/null || true
    sleep 1
done
has_confirmation && fail "the confirmation does not take OK"
wait_for "both MP3s of the drop" test -s "$media/drop one.mp3" -a -s "$media/ドロップ.mp3"
wait_for "the drop's conversions to end" no_temporary_files
expect_mp3 "$media/drop one.mp3"
expect_mp3 "$media/ドロップ.mp3"

echo "--- closing the window ends the program with 0"
xdo windowactivate --sync "$window"
xdo key alt+F4
status=0
timeout 30 tail --pid="$window_process" -f /dev/null || fail "the program did not end"
wait "$window_process" || status=$?
((status == 0)) || fail "the program exited with $status after its window closed"
echo "PASS"
