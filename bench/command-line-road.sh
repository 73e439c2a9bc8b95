#!/usr/bin/env bash
# Measures how long `orvalen` with 32 file names takes to get its 32 encoders started, against
# the least any launcher could do: a small C program (bench/spawnloop.c) that starts the same
# 32 encoder commands with posix_spawn and exits without waiting for them.
#
# bench/startclock.c starts the command and notes, in one run, two figures:
#   exec to 32nd start  - when the 32nd stand-in encoder has written its byte into a FIFO (the
#                         goals: at most 1.25x the C loop without a display, 1.5x on X);
#   exec to exit        - when the command exited; orvalen exits once the companion has told
#                         it that every encoder has started.
# RUNS (20) runs of each command, alternating one by one, in two situations: no display at
# all, and Xvfb with openbox (QT_QPA_PLATFORM=xcb). Before every run, untimed, the previous
# run's companion and encoders must have ended: startclock adopts them and waits for them.
#
# The encoder in the program's copy is bench/standin.c: it writes that byte, writes one byte
# into its output and exits at once, so 32 real encoders do not load the machine; the C
# program starts the same stand-in with the same arguments in the same directory (checked
# once per situation before measuring; orvalen's encoders write a file of a temporary
# folder, reached as /proc/self/fd/<n>/<output's name>, that then becomes the output, the C
# loop's the output itself).
#
# Usage: bench/command-line-road.sh [directory holding orvalen and orvalen-conversion (build)]
# Needs: gcc, Xvfb, openbox, xprop (x11-utils). Takes about 1 minute.
set -euo pipefail
cd "$(dirname "$0")/.."
bench_name=command-line-road.sh
source bench/lib.sh
sources=$PWD/bench

built=${1:-build}
runs=${RUNS:-20}
count=32

make_work_dir

# The stand-in encoder, built into the program's copy; "record" adds a line per start to
# $work/record with its working directory and arguments.
build_standin() {
    local flags=(-DSTARTS_FIFO="\"$work/starts\"")
    [[ ${1-} == record ]] && flags+=(-DRECORD_FILE="\"$work/record\"")
    gcc -O2 -static "${flags[@]}" -o "$prog/cores/ffmpeg" "$sources/standin.c"
}

build_tools() {
    mkdir -p "$tools"
    gcc -O2 -Wall -o "$tools/spawnloop" "$sources/spawnloop.c"
    gcc -O2 -Wall -o "$tools/startclock" "$sources/startclock.c"
    mkfifo "$work/starts"
}

# 32 empty inputs; the runs take them by relative name from their folder, as a user would.
make_inputs() {
    local i
    mkdir -p "$work/clips"
    names=()
    for i in $(seq -w 1 "$count"); do
        names+=("clip-$i.wav")
        : >"$work/clips/${names[-1]}"
    done
}

orvalen_command() { echo "$prog/orvalen ${names[*]}"; }
loop_command() { echo "$tools/spawnloop $prog/cores/ffmpeg ${names[*]}"; }

# Both launchers must start the same 32 commands: program, arguments and directory. Orvalen's
# encoder writes "/proc/self/fd/<n>/name.mp3", which becomes "name.mp3" beside its input.
check_same_commands() {
    local launcher
    build_standin record
    for launcher in orvalen loop; do
        rm -f "$work/record"
        # shellcheck disable=SC2046 # the command is split into its words on purpose
        "$tools/startclock" "$work/starts" "$count" $("${launcher}_command") >/dev/null
        sed 's#\[/proc/self/fd/[0-9]*/\([^]/]*\.mp3\)\]$#[\1]#' "$work/record" |
            sort >"$work/commands-$launcher"
    done
    [[ $(wc -l <"$work/commands-orvalen") == "$count" ]] ||
        fail "orvalen started $(wc -l <"$work/commands-orvalen") encoders, not $count"
    diff "$work/commands-orvalen" "$work/commands-loop" >&2 ||
        fail "orvalen and the C loop start different encoder commands"
    build_standin
}

# startclock runs, one of each launcher in turn; leaves "exit starts" lines (ms) in
# $work/<situation>-<launcher>.starts.
time_starts() {
    local situation=$1 run launcher
    for ((run = 1; run <= runs; run++)); do
        for launcher in orvalen loop; do
            # shellcheck disable=SC2046
            "$tools/startclock" "$work/starts" "$count" $("${launcher}_command") \
                >>"$work/$situation-$launcher.starts"
        done
    done
}

# Prints, on standard error, how many runs of $1 there were and their range.
spread() {
    cut -d' ' -f"$3" "$2" | sort -g | awk -v n="$1" 'NR == 1 { lo = $1 } { hi = $1 }
        END { printf "  %s: %d runs, %.1f to %.1f ms\n", n, NR, lo, hi }' >&2
}

# Prints the ratio line of one figure from two files of times (ms), column $4 of each.
report() {
    local label=$1 orvalen_file=$2 loop_file=$3 column=$4 goal=$5 orvalen loop
    orvalen=$(cut -d' ' -f"$column" "$orvalen_file" | median)
    loop=$(cut -d' ' -f"$column" "$loop_file" | median)
    awk -v l="$label" -v o="$orvalen" -v c="$loop" -v g="$goal" \
        'BEGIN { printf "%s: orvalen %.1f ms, C loop %.1f ms: %.2fx (%s)\n", l, o, c, o / c, g }'
    spread orvalen "$orvalen_file" "$column"
    spread "C loop" "$loop_file" "$column"
}

situation() {
    local situation=$1 label="command-line road, $2"
    echo "$label: checking the commands, then measuring" >&2
    (cd "$work/clips" && check_same_commands && time_starts "$situation")
    report "$label, exec to 32nd encoder start" "$work/$situation-orvalen.starts" \
        "$work/$situation-loop.starts" 2 "goal <= $3x"
    report "$label, exec to exit" "$work/$situation-orvalen.starts" \
        "$work/$situation-loop.starts" 1 "for information"
}

copy_program "$built" "$prog"
build_tools
make_inputs
use_private_runtime "$work"
echo "Machine: $(machine); load average $(load_average); encoder: stand-in that exits at once"

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
situation no-display "no display" 1.25

start_xvfb "$work"
start_openbox "$work"
export QT_QPA_PLATFORM=xcb
situation display "Xvfb + openbox" 1.5
