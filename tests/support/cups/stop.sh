#!/usr/bin/env bash
# Stops the private CUPS scheduler and the loopback listener started by start.sh, by their pids.
# Usage: stop.sh CUPS_DIR
set -uo pipefail
dir=$1
for name in cupsd listener; do
    f="$dir/$name.pid"
    [ -s "$f" ] || continue
    pid=$(cat "$f")
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null
    fi
    rm -f "$f"
done
exit 0
