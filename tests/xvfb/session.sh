# shellcheck shell=bash
# Sourced by the Xvfb tests. Gives each test a throwaway directory holding a copy of the
# program beside a recording encoder, a private X server, bounded waits, and a trap that
# ends everything the test started. Without Xvfb or xdotool the test is skipped (77).

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(realpath "$(mktemp -d)")
# A space in the program's own directory: the encoder path must survive it too.
program_dir="$work/program dir"
started=()
# Every process of this test carries this mark in its environment, also those it does not
# start itself: the companion that the program starts detached, and the encoders.
export ORVALEN_TEST_RUN=$work

# Ends processes that this test started: politely, then for sure after 5 seconds.
stop() {
    local pid
    kill "$@" 2>/dev/null || true
    for pid; do
        timeout 5 tail -s 0.1 --pid="$pid" -f /dev/null || kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}

# Prints the ids of this user's processes that carry this test's mark, the test's own shells
# left out; with a program's path, only those running that program.
marked_processes() {
    local environ pid variables variable
    for environ in /proc/[0-9]*/environ; do
        pid=${environ//[^0-9]/}
        [[ -O $environ && $pid != "$$" && $pid != "$BASHPID" ]] || continue
        [[ -z ${1:-} || /proc/$pid/exe -ef $1 ]] || continue
        mapfile -d '' variables 2>/dev/null <"$environ" || continue
        for variable in "${variables[@]}"; do
            if [[ $variable == "ORVALEN_TEST_RUN=$work" ]]; then echo "$pid" && break; fi
        done
    done
}

companion_pid() {
    marked_processes "$program_dir/orvalen-conversion"
}

cleanup() {
    # First the marked processes that the test did not start itself; then, newest first,
    # those it did, so that the X server outlives its clients.
    local pid others=() i
    for pid in $(marked_processes); do
        [[ " ${started[*]} " == *" $pid "* ]] || others+=("$pid")
    done
    ((${#others[@]} == 0)) || stop "${others[@]}"
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do stop "${started[i]}"; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    local log
    echo "FAIL: $*" >&2
    for log in "$work"/*.log; do
        [[ -s $log ]] && { echo "--- ${log##*/}:" && cat "$log"; } >&2
    done
    exit 1
}

# Retries a command until it succeeds; gives up after 20 seconds.
wait_for() {
    local what=$1 deadline=$((SECONDS + 20))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || fail "timed out waiting for $what"
        sleep 0.2
    done
}

# The program runs its encoder from cores/ beside itself: here the tests' recording one,
# which leaves its arguments in record.<pid>.done beside the program, one file per run.
# The companion that runs the encoders and the module with the windows lie beside the
# program, in the build tree as here.
make_program_dir() {
    [[ -x ${1:-} ]] || fail "usage: $0 <built orvalen> ...; got '${1:-}'"
    mkdir -p "$program_dir/cores"
    cp "$1" "$(dirname "$1")"/{orvalen-conversion,orvalen-window.so} "$program_dir/"
    install -m 755 "$(dirname "${BASH_SOURCE[0]}")/../recording_encoder.sh" \
        "$program_dir/cores/ffmpeg"
}

start_xvfb() {
    # -displayfd picks a free display number and writes it once clients can connect.
    # -noreset: an X server resets whenever its last client leaves; keep it steady for the
    # clients of this test, which come and go.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset \
        3>"$work/display" 2>"$work/xvfb.log" &
    started+=($!)
    wait_for "Xvfb to start" test -s "$work/display"
    DISPLAY=":$(<"$work/display")"
    export DISPLAY
    unset WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work
}

# Starts the copied program with the given arguments, none for the window.
start_orvalen() {
    (cd "$work" && exec "$program_dir/orvalen" "$@") >"$work/orvalen.log" 2>&1 &
    started+=($!)
}

# xdotool, with its --sync waits bounded.
xdo() {
    timeout 20 xdotool "$@" || fail "xdotool $* failed or timed out"
}

# Prints the id of a visible window with exactly this title, waiting for one to appear.
window_id() {
    timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | sed -n 1p
}

encoder_runs() {
    find "$program_dir" -maxdepth 1 -name 'record.*.done' | wc -l
}

encoder_ran_at_least() {
    (($(encoder_runs) >= $1))
}

# Waits until the encoder has run $1 times, then a moment more in case it runs again.
expect_encoder_runs() {
    wait_for "$1 encoder run(s)" encoder_ran_at_least "$1"
    sleep 1
    [[ $(encoder_runs) == "$1" ]] || fail "the encoder ran $(encoder_runs) times, not $1"
}

show_args() {
    xargs -0 printf '[%s] ' <"$1"
    echo
}

# A run's arguments with its output's name in place of the file it wrote in its temporary
# folder, "/proc/self/fd/<n>/name".
args_of_run() {
    sed -z 's#^/proc/self/fd/[0-9]*/\([^/]*\)$#\1#' "$1"
}

# Passes when one of the recorded runs had exactly these arguments; of the output, the
# encoder sees the name only.
expect_encoder_call() {
    local run output=${!#}
    printf '%s\0' "${@:1:$#-1}" "${output##*/}" >"$work/expected"
    for run in "$program_dir"/record.*.done; do
        args_of_run "$run" | cmp -s - "$work/expected" && return 0
    done
    echo "expected: $(show_args "$work/expected")" >&2
    for run in "$program_dir"/record.*.done; do echo "recorded: $(show_args "$run")" >&2; done
    fail "no encoder run had the expected arguments"
}

# Drags from the source window onto a point of the window and drops there. The source sends
# the next XdndPosition only after the answer to the last one: move in small steps with
# pauses, both to start the drag and to let the target accept it.
# The two windows are first put side by side, apart; no window manager moves them afterwards.
# Usage: drag_and_drop <source window> <target window> <x> <y>
drag_and_drop() {
    xdo windowmove --sync "$1" 20 20
    xdo windowmove --sync "$2" 300 200
    xdo mousemove --sync --window "$1" 100 50
    xdo mousedown 1
    for _ in 1 2 3 4 5; do xdo mousemove_relative 5 5; sleep 0.1; done
    xdo mousemove --window "$2" "$3" "$4"
    for _ in 1 2 3 4 5; do sleep 0.1; xdo mousemove_relative -- 2 -1; done
    sleep 0.2
    xdo mouseup 1
}

# Sets box to a message box of the program: a window that shares the main window's title.
find_box() {
    box=$(xdotool search --onlyvisible --name '^Orvalen$' | grep -vx "$window" | sed -n 1p)
    [[ -n $box ]]
}
