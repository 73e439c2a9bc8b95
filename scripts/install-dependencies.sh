#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the program and its tests need and
# the machine does not have yet. Safe to run again: it does nothing when all is there.
# Usage: scripts/install-dependencies.sh [packaging|sanitizers|bench|windows]
# With "packaging", also the tools that build and check the Debian package; with
# "sanitizers", also clang and its runtimes for the fuzz target (scripts/sanitizers.sh);
# with "bench", also what the scripts in bench/ run; with "windows", also the cross compiler
# for Windows, Wine to run its programs, npm to fetch the encoder for Windows
# (scripts/build-windows.sh), and NSIS to make the installer (scripts/windows-installer.sh).
set -euo pipefail

packages=(
    build-essential cmake           # compiler and build system
    ninja-build                     # the build tool that CMake's build folders use
    qt6-base-dev                    # Qt Widgets and Qt Test
    qt6-qpa-plugins                 # the X11 platform plugin
    libfontconfig-dev               # fontconfig's start, run beside the toolkit's
    qt6-translations-l10n           # the toolkit's own Japanese texts
    fonts-ipafont-gothic            # IPAPGothic, the window's Japanese font
    ffmpeg                          # the encoder, and ffprobe to check what it wrote
    xvfb xauth xdotool x11-utils    # a real X server for the window tests
    openbox                         # a window manager there, to close windows as a user does
    python3-gi gir1.2-gtk-3.0       # a GTK 3 program to drag files from
    fonts-noto-cjk                  # a second Japanese font for the window's layout test
    exfatprogs exfat-fuse           # a case-blind disk for the output tests (as root)
)
if [[ ${1-} == packaging ]]; then
    packages+=(
        dpkg-dev debhelper          # dpkg-buildpackage and dh
        lintian                     # Debian's checks on the built package
        desktop-file-utils          # desktop-file-validate
        appstream                   # appstreamcli validate
        man-db                      # man -l, and lintian's manual page check
    )
fi
if [[ ${1-} == sanitizers ]]; then
    packages+=(clang libclang-rt-14-dev)    # clang++ and its libFuzzer and sanitizer runtimes
fi
if [[ ${1-} == bench ]]; then
    packages+=(
        hyperfine time              # timing whole commands; /usr/bin/time -v for peak RSS
        libxcb-damage0-dev          # bench/firstpaint.c sees the first drawing in a window
        imagemagick                 # screenshots in bench/first-paint-check.sh
    )
fi

if [[ ${1-} == windows ]]; then
    packages+=(
        g++-mingw-w64-x86-64-posix  # the cross compiler, with std::thread on winpthreads
        wine64                      # Wine's 64-bit loader, to run the tests and the encoder
        nsis                        # makensis, for the optional installer (scripts/windows-installer.sh)
    )
    # npm fetches the Windows build of the encoder from its registry. Another Node.js
    # (NodeSource's, say) ships its own npm and conflicts with Debian's package.
    command -v npm >/dev/null || packages+=(npm)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$package")
    fi
done

# A fresh machine often runs unattended upgrades at first boot: wait for apt's locks rather
# than give up. apt-get install waits for the dpkg lock itself; apt-get update does not wait
# for the lock of the package lists, so it is tried again while another apt holds that.
lock_wait=600
update_package_lists() {
    local deadline=$((SECONDS + lock_wait))
    until apt-get -o DPkg::Lock::Timeout="$lock_wait" update -qq 2>"$errors"; do
        if ! grep -q 'Could not get lock' "$errors" || ((SECONDS >= deadline)); then
            cat "$errors" >&2
            return 1
        fi
        echo "Waiting for another apt to finish..."
        sleep 5
    done
    cat "$errors" >&2
}

if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    errors=$(mktemp)
    trap 'rm -f "$errors"' EXIT
    update_package_lists
    apt-get -o DPkg::Lock::Timeout="$lock_wait" install -y -qq --no-install-recommends \
        "${missing[@]}"
fi
