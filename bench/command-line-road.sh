#!/usr/bin/env bash
# Measures how long `orvalen` with 32 file names takes to hand its conversions over, against
# the least any launcher could do: a small C program (bench/spawnloop.c) that starts the
# same 32 encoder commands with posix_spawn and exits without waiting for them.
#
# Two figures, in two situations (no display at all; Xvfb with openbox, QT_QPA_PLATFORM=xcb):
#   exec to exit            - hyperfine -N in ROUNDS (4) alternating rounds, each of an equal
#                             share of RUNS (20) runs per command; medians over all runs;
#   exec to 32nd start      - for information: bench/startclock.c starts the command and notes
#                             when the 32nd stand-in encoder has written its byte into a FIFO;
#                             RUNS runs of each, alternating one by one.
# Before every run, untimed, the previous run's companion and encoders must have ended.
#
# The encoder in the program's copy is bench/standin.c: it writes that byte and exits at once,
# so 32 real encoders do not load the machine; the C program starts the same stand-in with the
# same arguments in the same directory (checked once per situation before measuring).
#
# Usage: bench/command-line-road.sh [directory holding orvalen and orvalen-conversion (build)]
# Needs: hyperfine, gcc, Xvfb, openbox, xprop (x11-utils). Takes about 1 minute.
set -euo pipefail
cd "$(dirname "$0")/.."
bench_name=command-line-road.sh
source bench/lib.sh
sources=$PWD/bench

built=${1:-build}
runs=${RUNS:-20}
rounds=${ROUNDS:-4}
per_round=$(((runs + rounds - 1) / rounds))
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
    # hyperfine's untimed step before each run: the previous run's processes must be gone.
    cat >"$tools/wait-idle" <<EOF
#!/bin/bash
for _ in {1..1000}; do
    find /proc/[0-9]*/exe -maxdepth 0 \\( -lname '$prog/*' -o -lname '$tools/*' \\) 2>/dev/null |
        grep -q . || exit 0
    sleep 0.02
done
echo "wait-idle: the previous run's processes did not end in 20 s" >&2
exit 1
EOF
    chmod +x "$tools/wait-idle"
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

# Both launchers must start the same 32 commands: program, arguments and directory.
check_same_commands() {
    local launcher
    build_standin record
    for launcher in orvalen loop; do
        rm -f "$work/record"
        # shellcheck disable=SC2046 # the command is split into its words on purpose
        "$tools/startclock" "$work/starts" "$count" $("${launcher}_command") >/dev/null
        sort "$work/record" >"$work/commands-$launcher"
    done
    [[ $(wc -l <"$work/commands-orvalen") == "$count" ]] ||
        fail "orvalen started $(wc -l <"$work/commands-orvalen") encoders, not $count"
    diff "$work/commands-orvalen" "$work/commands-loop" >&2 ||
        fail "orvalen and the C loop start different encoder commands"
    build_standin
}

# Alternating hyperfine rounds; leaves the run times (ms, one a line) in
# $work/<situation>-<launcher>.exit.
time_exits() {
    local situation=$1 round launcher
    for ((round = 1; round <= rounds; round++)); do
        for launcher in orvalen loop; do
            # Its warnings about outliers are expected here: only a failure is shown.
            hyperfine -N --style none --runs "$per_round" --prepare "$tools/wait-idle" \
                --export-json "$work/round.json" "$("${launcher}_command")" \
                >/dev/null 2>"$work/hyperfine.log" ||
                { cat "$work/hyperfine.log" >&2; fail "hyperfine failed"; }
            awk '/"times": \[/ { on = 1; next } on && /\]/ { on = 0 }
                on { gsub(/[ ,]/, ""); print $0 * 1000 }' "$work/round.json" \
                >>"$work/$situation-$launcher.exit"
        done
    done
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
    (cd "$work/clips" && check_same_commands && time_exits "$situation" && time_starts "$situation")
    report "$label, exec to exit" "$work/$situation-orvalen.exit" "$work/$situation-loop.exit" \
        1 "goal <= 1.25x"
    report "$label, exec to 32nd encoder start" "$work/$situation-orvalen.starts" \
        "$work/$situation-loop.starts" 2 "for information"
}

copy_program "$built" "$prog"
build_tools
make_inputs
use_private_runtime "$work"
echo "Machine: $(machine); load average $(load_average); encoder: stand-in that exits at once"

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
situation no-display "no display"

start_xvfb "$work"
start_openbox "$work"
export QT_QPA_PLATFORM=xcb
situation display "Xvfb + openbox"
