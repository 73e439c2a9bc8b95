#!/usr/bin/env bash
# Each program holds its own code and loads only the libraries it needs: the companion none
# of the program's desktop side, the program no Qt and no companion code. Reads
# the symbols that each program defines (nm -C) and the libraries it needs (readelf -d).
# Usage: tests/linkage.sh <folder of the built programs>
set -uo pipefail
folder=$1

# One rule a line: the program's file, a check and an extended regular expression.
#   holds / lacks: a symbol defined in the program matches / none does
#   needs / shuns: a library the program needs matches / none does
# A "holds" or "needs" rule of each program shows that its listing is read at all.
rules='
orvalen                holds  DesktopPlatform::
orvalen                lacks  ConversionHost|RequestListener|TemporaryOutput|OutputLock|Form1|ConversionWindow
orvalen                needs  ^libc\.so
orvalen                shuns  ^libQt6
orvalen-conversion     holds  ConversionHost::
orvalen-conversion     lacks  CompanionLink|CompanionStarter|DesktopPlatform|findDisplayPlatform|lockSession|sessionAddress|Form1|ConversionWindow
orvalen-conversion     needs  ^libQt6Core
orvalen-conversion     shuns  ^libxcb|^libQt6(Gui|Widgets|DBus)
orvalen-window.so      holds  Form1::
orvalen-window.so      lacks  CompanionLink|DesktopPlatform|findDisplayPlatform|ConversionHost|RequestListener
'

symbols() { nm -C --defined-only "$1"; }
libraries() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'; }

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

while read -r program check pattern; do
    [[ -n $program ]] || continue
    case $check in
        holds | lacks) listing=$(symbols "$folder/$program") ;;
        needs | shuns) listing=$(libraries "$folder/$program") ;;
        *) fail "unknown check '$check' for $program" && continue ;;
    esac || { fail "cannot read $folder/$program"; continue; }
    found=$(grep -E -- "$pattern" <<<"$listing" | head -n 5)
    case $check in
        holds | needs) [[ -n $found ]] || fail "$program $check nothing that matches $pattern" ;;
        lacks | shuns) [[ -z $found ]] || fail "$program $check $pattern, but has:"$'\n'"$found" ;;
    esac
done <<<"$rules"
exit "$failed"
