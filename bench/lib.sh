# shellcheck shell=bash
# Sourced by the benchmarks: a private copy of the program, a private X server with openbox,
# ending processes, medians and the machine's description. A script that sources this sets
# bench_name (for messages) first; the functions that start something leave its PID in a
# variable the script's own cleanup ends.

fail() {
    echo "${bench_name:-bench}: $*" >&2
    exit 1
}

# Sends TERM to the given PIDs, waits up to 10 s for them to go, then kills what is left.
end_pids() {
    local pid
    (($#)) || return 0
    kill "$@" 2>/dev/null || true
    for pid in "$@"; do
        timeout 10 tail -s 0.1 --pid="$pid" -f /dev/null || kill -KILL "$pid" 2>/dev/null || true
    done
}

# PIDs of the processes whose program lies in one of the given directories.
pids_running_from() {
    local directory tests=()
    for directory in "$@"; do tests+=(-o -lname "$directory/*"); done
    find /proc/[0-9]*/exe -maxdepth 0 \( "${tests[@]:1}" \) 2>/dev/null | cut -d/ -f3
}

# A scratch directory $work for the script's program copy ($prog) and helpers ($tools). When
# the script exits, every process running from either ends, then the window manager and the
# X server, and the directories go.
make_work_dir() {
    work=$(realpath "$(mktemp -d)")
    prog=$work/program
    tools=$work/tools
    runtime=
    xvfb_pid=
    wm_pid=
    trap end_everything EXIT
}

end_everything() {
    local pids
    mapfile -t pids < <(pids_running_from "$prog" "$tools")
    end_pids "${pids[@]}"
    end_pids $wm_pid
    end_pids $xvfb_pid
    rm -rf "$work" "$runtime"
}

# Builds into $tools the first-paint timer and the bare Qt window it is compared with.
build_first_paint_tools() {
    mkdir -p "$tools"
    # shellcheck disable=SC2046 # pkg-config's flags are words
    gcc -O2 -Wall -o "$tools/firstpaint" "$sources/firstpaint.c" \
        $(pkg-config --cflags --libs xcb xcb-damage)
    # shellcheck disable=SC2046
    g++ -std=c++20 -O2 -Wall -fPIC -o "$tools/barewindow" "$sources/barewindow.cpp" \
        $(pkg-config --cflags --libs Qt6Widgets)
}

# Copies every orvalen* file of the build directory $1 into the program directory $2, beside
# an empty cores/ for the stand-in encoder. Whatever the build puts there (the companion, a
# module) comes along.
copy_program() {
    local built=$1 prog=$2 file
    for file in orvalen orvalen-conversion; do
        [[ -x $built/$file ]] || fail "no $built/$file; run scripts/build.sh first"
    done
    mkdir -p "$prog/cores"
    for file in "$built"/orvalen*; do
        [[ -f $file ]] && cp "$file" "$prog/"
    done
}

# A private runtime directory (the session companion's socket and the output locks go
# there) and private settings; left in runtime. The figures must not depend on the calling
# desktop's scaling or its session bus.
use_private_runtime() {
    local work=$1
    runtime=$(mktemp -d)
    chmod 700 "$runtime"
    mkdir -p "$work/config" "$work/cache"
    export XDG_RUNTIME_DIR=$runtime XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
    unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_FONT_DPI DBUS_SESSION_BUS_ADDRESS
}

# A private X server (1024x768, 24 bits, 96 dpi); exports DISPLAY, leaves its PID in
# xvfb_pid. -displayfd writes the display number once it accepts clients; -noreset keeps it
# steady while clients come and go.
start_xvfb() {
    local work=$1
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset \
        3>"$work/display" 2>"$work/xvfb.log" &
    # shellcheck disable=SC2034 # ended by the sourcing script
    xvfb_pid=$!
    for _ in {1..100}; do [[ -s $work/display ]] && break; sleep 0.1; done
    [[ -s $work/display ]] || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
    DISPLAY=":$(<"$work/display")"
    export DISPLAY
    unset WAYLAND_DISPLAY
}

# openbox as window manager, leaving its PID in wm_pid; it is ready once it has marked the
# root window as managed.
start_openbox() {
    local work=$1
    openbox >"$work/openbox.log" 2>&1 &
    # shellcheck disable=SC2034 # ended by the sourcing script
    wm_pid=$!
    for _ in {1..100}; do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
        { cat "$work/openbox.log" >&2; fail "openbox did not start"; }
}

# The median of the numbers on standard input, one a line.
median() {
    sort -g | awk '{ v[NR] = $1 }
        END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

machine() {
    echo "$(nproc) CPUs, $(grep -m1 '^model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')," \
        "Linux $(uname -r)"
}

# The load average of the last minute: other work on the machine makes the timings longer
# and less steady.
load_average() { cut -d' ' -f1 /proc/loadavg; }
