#!/usr/bin/env bash
# Captures Orvalen's main window on a private X server at 96 dpi, the resolution its layout
# is drawn for, so the picture in the docs does not depend on the desktop it was made on.
# Usage: scripts/screenshot.sh [built orvalen (build/orvalen)] [output PNG (docs/screenshot.png)]
set -euo pipefail

program=${1:-build/orvalen}
output=${2:-docs/screenshot.png}
[[ -x $program ]] || { echo "screenshot.sh: no program at $program; build it first" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    # The program first, while its X server is still there to let it go quietly.
    local pid
    for pid in $app_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || continue
        timeout 5 tail -s 0.1 --pid="$pid" -f /dev/null || kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# -displayfd picks a free display number and writes it once the server accepts clients.
# -noreset: an X server resets whenever its last client leaves; keep it steady for the
# clients of this script, which come and go.
Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset \
    3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in {1..100}; do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { cat "$work/xvfb.log" >&2; echo "screenshot.sh: Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(<"$work/display")"
export DISPLAY

# Whatever the calling desktop uses, this picture is of the X11 build with default scaling.
unset WAYLAND_DISPLAY QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_FONT_DPI
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work
"$program" 2>"$work/orvalen.log" &
app_pid=$!

window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Orvalen$' | sed -n 1p) || {
    cat "$work/orvalen.log" >&2; echo "screenshot.sh: the window did not appear" >&2; exit 1; }

# A window can be mapped before it is painted: capture until two pictures in a row agree.
import -window "$window" "$work/last.ppm"
for _ in {1..20}; do
    sleep 0.3
    import -window "$window" "$work/now.ppm"
    cmp -s "$work/now.ppm" "$work/last.ppm" && break
    mv "$work/now.ppm" "$work/last.ppm"
done

# Without dates and other metadata the same window gives the same file.
mkdir -p "$(dirname "$output")"
convert "$work/last.ppm" -strip -define png:exclude-chunk=date,time "$output"
echo "screenshot.sh: wrote $output ($(identify -format '%wx%h' "$output"))"
