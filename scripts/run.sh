#!/usr/bin/env bash
# Sets Tarnvale up and starts the headless server. Arguments go to the server (try --help).
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/setup.sh"
server="$build/native/bin/tarnvale-server"
if [ ! -x "$server" ]; then
    say "Built so far:"
    ls "$build/native/bin" "$build/win/bin"
    exit 0
fi
say "Starting $server $*"
exec "$server" "$@"
