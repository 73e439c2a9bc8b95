#!/bin/sh
# A stand-in for the encoder, in cores/ of a test's program directory. It records its
# arguments (NUL-separated) and the state it was started in, in files of the program
# directory named record.<pid>.*; the arguments come last, through a rename:
# record.<pid>.done marks its end. It fails on inputs named fail*, takes a while on inputs
# named slow*, and otherwise writes "mp3" into its output.

# First the shell's own commands only: starting a program briefly opens pipes and blocks
# signals in the shell, which would be seen here. The script itself is left out.
for f in /proc/$$/fd/*; do
    if [ ! -e "$f" ] || [ "$f" -ef "$0" ]; then continue; fi
    if [ "$f" -ef /dev/null ]; then kind=null; elif [ -p "$f" ]; then kind=pipe; elif [ -d "$f" ]; then kind=folder; else kind=other; fi
    fds="$fds${f##*/} $kind
"
done
while read -r name value; do
    case $name in SigBlk: | SigIgn:) signals="$signals$name $value
" ;; esac
done < /proc/$$/status
record="$(dirname "$0")/../record.$$"
printf '%s' "$fds" > "$record.fds"
printf '%s' "$signals" > "$record.signals"
awk '{ print $1, $5, $6 }' /proc/$$/stat > "$record.session"
awk '{ print $19 }' /proc/$$/stat > "$record.niceness"
case "$(basename "$3")" in
    fail*) echo "$3: Invalid data found when processing input" >&2; exit 1 ;;
    slow*) sleep 2 ;;
esac
for output; do :; done
printf mp3 > "$output"
printf '%s\0' "$@" > "$record.args"
mv "$record.args" "$record.done"
