#!/usr/bin/env bash
# A companion of the first protocol version still serves the session, as during an upgrade:
# the program must not talk to it, and starts a companion of its own version instead, which
# converts the file.
# Usage: old_companion.sh <built orvalen>
set -euo pipefail
# shellcheck source=tests/xvfb/session.sh
source "$(dirname "$0")/session.sh"

make_program_dir "$1"
start_xvfb
mkdir -m 700 "$work/orvalen"
hash=$(printf 'xcb|%s|' "$DISPLAY" | sha256sum | cut -c1-16)
# It holds the session's lock and listens where the first version did, and notes each client.
python3 - "$work/orvalen/session-$hash" "$work/old-clients" <<'PYTHON' &
import fcntl, socket, sys
address, clients = sys.argv[1:]
lock = open(address + ".lock", "w")
fcntl.flock(lock, fcntl.LOCK_EX)
listening = socket.socket(socket.AF_UNIX)
listening.bind(address + ".socket")
listening.listen(8)
open(clients, "w").close()
while True:
    client, _ = listening.accept()
    with open(clients, "a") as noted:
        noted.write("client\n")
PYTHON
started+=($!)
wait_for "the old companion to listen" test -e "$work/old-clients"

start_orvalen ok.wav
expect_encoder_runs 1
[[ ! -s $work/old-clients ]] || fail "the program talked to the old companion"
echo "PASS: a companion of the program's own version converted the file"
