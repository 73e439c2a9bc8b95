#!/usr/bin/env bash
# Builds the Debian package, checks it with Debian's tools, installs it with apt, converts a
# short clip with the installed program and no display, and removes the package again.
# Run as root on a machine where orvalen is not installed; it leaves it that way.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
    echo "check-package.sh: $*" >&2
    exit 1
}

if dpkg-query -W -f='${Status}' orvalen 2>/dev/null | grep -q 'installed$'; then
    fail "orvalen is installed already; remove it first"
fi

work=$(mktemp -d)
installed=
cleanup() {
    [[ -z $installed ]] || apt-get remove -y -qq orvalen
    rm -rf "$work"
}
trap cleanup EXIT

bash scripts/package.sh | tee "$work/package.log"
deb=$(tail -n 1 "$work/package.log")

echo "Checking $deb"
# Lintian leaves a temporary file behind; keep it in the work directory.
TMPDIR=$work lintian --fail-on error,warning "$deb" || fail "lintian found problems"
# cmake --install lists the links it made too, so that they go with everything else.
manifest=$(cat "$(dirname "$deb")"/orvalen/obj-*/install_manifest.txt)
for link in /usr/bin/orvalen /usr/libexec/orvalen/cores/ffmpeg; do
    grep -qxF "$link" <<<"$manifest" || fail "install_manifest.txt lacks $link"
done
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/org.orvalen.Orvalen.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.orvalen.Orvalen.metainfo.xml"

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb"
installed=yes

# The installed layout, as the manual page describes it.
listed=$(dpkg -L orvalen)
for path in /usr/bin/orvalen /usr/libexec/orvalen/orvalen /usr/libexec/orvalen/orvalen-conversion \
    /usr/libexec/orvalen/orvalen-window.so /usr/libexec/orvalen/cores/ffmpeg \
    /usr/share/applications/org.orvalen.Orvalen.desktop \
    /usr/share/metainfo/org.orvalen.Orvalen.metainfo.xml /usr/share/man/man1/orvalen.1.gz \
    /usr/share/man/ja/man1/orvalen.1.gz \
    /usr/share/icons/hicolor/{16x16,32x32}/apps/orvalen.png \
    /usr/share/icons/hicolor/scalable/apps/orvalen.svg; do
    grep -qxF "$path" <<<"$listed" || fail "the package lacks $path"
done
if readelf -d /usr/libexec/orvalen/orvalen /usr/libexec/orvalen/orvalen-conversion \
    /usr/libexec/orvalen/orvalen-window.so | grep -E 'RPATH|RUNPATH'; then
    fail "an installed program has a run path"
fi
[[ $(readlink -f /usr/bin/orvalen) == /usr/libexec/orvalen/orvalen ]] ||
    fail "/usr/bin/orvalen does not lead to /usr/libexec/orvalen/orvalen"
[[ $(readlink -f /usr/libexec/orvalen/cores/ffmpeg) == "$(readlink -f /usr/bin/ffmpeg)" ]] ||
    fail "/usr/libexec/orvalen/cores/ffmpeg does not lead to /usr/bin/ffmpeg"
[[ $(man -L ja -w orvalen) == /usr/share/man/ja/man1/orvalen.1.gz ]] ||
    fail "man -L ja orvalen does not find the Japanese manual page"

clip="$work/サンプル clip.mp4"
mp3="$work/サンプル clip.mp3"
ffmpeg -loglevel error -f lavfi -i testsrc=duration=2:size=160x120:rate=25 \
    -f lavfi -i sine=frequency=440:duration=2 -shortest -c:v mpeg4 -c:a aac "$clip"
env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/orvalen --wait "$clip" ||
    fail "/usr/bin/orvalen --wait ended with status $?"
[[ -s $mp3 ]] || fail "no MP3 was written: $mp3"
codec=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name \
    -of default=noprint_wrappers=1:nokey=1 "$mp3")
[[ $codec == mp3 ]] || fail "$mp3 holds '$codec', not MP3"
echo "check-package.sh: the installed package converted a clip to MP3"
