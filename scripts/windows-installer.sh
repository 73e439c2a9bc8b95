#!/usr/bin/env bash
# Makes the installer for Windows (packaging/windows/orvalen.nsi) from the package folder that
# scripts/build-windows.sh lays out, with NSIS's makensis. Prints the installer as its last line.
# Usage: scripts/windows-installer.sh <package folder> <installer path>
set -euo pipefail
(($# == 2)) || { echo "usage: $0 <package folder> <installer path>" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
package=$(realpath "$1")
installer=$(realpath -m "$2")

command -v makensis >/dev/null || {
    echo "windows-installer.sh: makensis is missing (bash scripts/install-dependencies.sh windows installs NSIS)" >&2
    exit 1
}

# The installer names each file it installs, so that its uninstaller removes just those: a
# file of the package that it does not name would be left out without a word.
unknown=$(cd "$package" && find . -type f ! -path ./orvalen.exe ! -path ./orvalen-watch.exe \
    ! -path './readme.txt' ! -path './licenses/*.txt')
[[ -z $unknown ]] || {
    printf 'windows-installer.sh: packaging/windows/orvalen.nsi does not install:\n%s\n' "$unknown" >&2
    exit 1
}

version=$(sed -n 's/^project(orvalen VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
mkdir -p "$(dirname "$installer")"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSOURCE="$package" -DOUTFILE="$installer" \
    "$root/packaging/windows/orvalen.nsi"
echo "$installer"
