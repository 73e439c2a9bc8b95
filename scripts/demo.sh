#!/usr/bin/env bash
# From a fresh Debian 12 machine (as root) to the program doing its main job: it makes a
# short clip, converts it from the command line like a user would, with --wait so that the
# program returns once the MP3 is written, and shows what the MP3 holds.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-dependencies.sh
# The program alone, with its companion and window module: no tests.
bash scripts/build.sh orvalen

work=$(mktemp -d)
clip="$work/サンプル clip.mp4"
mp3="$work/サンプル clip.mp3"
build/cores/ffmpeg -loglevel error -f lavfi -i testsrc=duration=3:size=160x120:rate=25 \
    -f lavfi -i sine=frequency=440:duration=3 -shortest -c:v mpeg4 -c:a aac "$clip"

# Without a display; a failure is named on standard error and ends the script here.
env -u DISPLAY -u WAYLAND_DISPLAY build/orvalen --wait "$clip"

[[ -s $mp3 ]] || { echo "No MP3 was written: $mp3" >&2; exit 1; }
echo
echo "Converted: $mp3"
ffprobe -v error -show_entries format=format_name,duration,bit_rate \
    -show_entries stream=codec_name,sample_rate,channels -of default=noprint_wrappers=1 "$mp3"
