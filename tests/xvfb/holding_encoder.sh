#!/bin/sh
# A stand-in for the encoder that holds each conversion until the test lets it go: it leaves
# holding.<pid> beside the program, waits (a minute at most) for a file named "go" there,
# then does what the recording encoder does, installed beside it as cores/recording.
program_dir="$(dirname "$0")/.."
: > "$program_dir/holding.$$"
tries=600
while [ ! -e "$program_dir/go" ] && [ "$tries" -gt 0 ]; do
    sleep 0.1
    tries=$((tries - 1))
done
exec "$(dirname "$0")/recording" "$@"
