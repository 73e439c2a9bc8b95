#!/usr/bin/env bash
# The Windows installer under Wine, in a prefix of its own made for the test: a silent install
# puts the programs, the read-me, the licences, the cores folder, the Start menu and Send To
# shortcuts to orvalen.exe and the uninstall entry in place; the uninstaller, run silently with
# an ffmpeg.exe put into cores meanwhile, removes all of those and keeps that ffmpeg.exe.
# Usage: installer.sh <installer made by scripts/windows-installer.sh>
set -euo pipefail
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
[[ -x $wine ]] || { echo "SKIP: wine64 is not installed"; exit 77; }
# Without NSIS, scripts/windows-installer.sh made no installer to check.
command -v makensis >/dev/null || { echo "SKIP: makensis is not installed"; exit 77; }
(($# == 1)) || { echo "usage: $0 <installer>" >&2; exit 2; }
installer=$(realpath "$1")
[[ -f $installer ]] || { echo "installer.sh: no installer at $installer" >&2; exit 2; }

# A silent installer opens no window: Wine needs no display. Wine's .NET and HTML engines are
# not needed and their installers would ask for a download while the prefix is made.
unset DISPLAY WAYLAND_DISPLAY
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The prefix is this test's own: ending its server ends only the programs the test started.
cleanup() {
    "$wineserver" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The Unix path of a path on Wine's drive C:.
unix_path() {
    local windows=${1#[Cc]:\\}
    echo "$WINEPREFIX/drive_c/${windows//\\//}"
}

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvalen'
# The value's data, as reg.exe shows it: "    Name    REG_SZ    data".
registry_value() {
    "$wine" reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$1 *REG_[A-Z]* *//p"
}

"$wine" wineboot --init 2>/dev/null
# A silent installer that meets an error may wait on a message box nobody sees: the test gives
# each step two minutes, then the server's end at the exit ends what is left.
timeout 120 "$wine" "$installer" /S || fail "the installer exited with $?"

folders=$("$wine" cmd.exe /c 'echo %LOCALAPPDATA%^|%APPDATA%' | tr -d '\r')
install_location="${folders%|*}\\Programs\\Orvalen"
install=$(unix_path "$install_location")
start_menu_link="$(unix_path "${folders#*|}")/Microsoft/Windows/Start Menu/Programs/Orvalen.lnk"
send_to_link="$(unix_path "${folders#*|}")/Microsoft/Windows/SendTo/Orvalen (MP3 に変換).lnk"
installed=(orvalen.exe orvalen-watch.exe readme.txt Uninst.exe)

for file in "${installed[@]}"; do
    [[ -s $install/$file ]] || fail "$file is not in $install"
done
compgen -G "$install/licenses/*.txt" >/dev/null || fail "no licence in $install/licenses"
[[ -d $install/cores ]] || fail "no cores folder in $install"
# A shortcut holds its target's path in the system's code page.
for link in "$start_menu_link" "$send_to_link"; do
    [[ -f $link ]] || fail "no shortcut $link"
    grep -qaF "$install_location\\orvalen.exe" "$link" || fail "$link does not start orvalen.exe"
done

declare -A expected=(
    [DisplayName]=Orvalen
    [Publisher]=Orvalen
    [DisplayIcon]="$install_location\\orvalen.exe,0"
    [UninstallString]="\"$install_location\\Uninst.exe\""
)
for name in "${!expected[@]}"; do
    value=$(registry_value "$name")
    [[ $value == "${expected[$name]}" ]] || fail "$name is '$value', not '${expected[$name]}'"
done
[[ $(registry_value DisplayVersion) =~ ^[0-9]+\.[0-9]+ ]] || fail "DisplayVersion is not a version"

echo "the user's encoder" >"$install/cores/ffmpeg.exe"
# The uninstaller starts a copy of itself from the temporary folder, which removes the
# original, and returns at once: the test waits for Wine's server to end with that copy.
timeout 120 "$wine" "$install/Uninst.exe" /S || fail "the uninstaller exited with $?"
timeout 120 "$wineserver" -w || fail "the uninstaller did not end"

for file in "${installed[@]}" licenses; do
    [[ ! -e $install/$file ]] || fail "the uninstaller left $file"
done
for link in "$start_menu_link" "$send_to_link"; do
    [[ ! -e $link ]] || fail "the uninstaller left $link"
done
! "$wine" reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstaller left $uninstall_key"
[[ $(cat "$install/cores/ffmpeg.exe" 2>/dev/null) == "the user's encoder" ]] ||
    fail "the uninstaller removed or changed cores\\ffmpeg.exe"
echo "PASS: installer and uninstaller"
