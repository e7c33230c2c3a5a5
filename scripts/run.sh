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
# The per-user list file, unless the arguments name one.
args=("$@")
if [[ " $* " != *" --list "* ]]; then
    list=${TARNVALE_LIST:-${XDG_DATA_HOME:-$HOME/.local/share}/tarnvale/Tarnvale.lst}
    args+=(--list "$list")
fi
say "Starting $server ${args[*]}"
exec "$server" "${args[@]}"
