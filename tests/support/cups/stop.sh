#!/usr/bin/env bash
# Stops the private CUPS scheduler and the loopback listener started by start.sh, by their pids.
# Usage: stop.sh CUPS_DIR
for name in cupsd listener; do
    f="$1/$name.pid"
    pid=$(cat "$f" 2>/dev/null) && [ -n "$pid" ] || continue
    if kill "$pid" 2>/dev/null; then
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null
    fi
    rm -f "$f"
done
exit 0
